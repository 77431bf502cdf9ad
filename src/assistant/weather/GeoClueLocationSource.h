#pragma once

#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>
#include <optional>

#include "assistant/weather/LocationSource.h"

namespace tarvel {

// The desktop's location service through QtPositioning's GeoClue2 plugin. GeoClue has no
// access query: the first fix request is the question, an access error its refusal. Without
// the plugin, access is denied for good and requests do nothing.
class GeoClueLocationSource : public LocationSource {
    Q_OBJECT

public:
    // A fix may take this long; after it the request fails.
    static constexpr int kFixTimeoutMs = 30'000;

    // `desktopId` names the application to GeoClue and its permission agent.
    explicit GeoClueLocationSource(const QString& desktopId, QObject* parent = nullptr);

    LocationAccess access() const override { return access_; }
    void requestAccess() override;
    void requestFix() override;

private:
    void ask();
    void received(const QGeoPositionInfo& info);
    void failed(QGeoPositionInfoSource::Error error);

    QGeoPositionInfoSource* source_ = nullptr;
    LocationAccess access_ = LocationAccess::notDetermined;
    bool asking_ = false;
    bool askingForAccess_ = false;
    bool methodsSet_ = false;
    // The fix that answered an access request, handed to the next fix request.
    std::optional<QGeoCoordinate> accessFix_;
};

}  // namespace tarvel

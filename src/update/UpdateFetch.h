#pragma once

#include <QSslConfiguration>
#include <QUrl>
#include <functional>
#include <optional>

#include "update/UpdateLimits.h"
#include "update/VersionManifest.h"

class QNetworkAccessManager;
class QObject;

namespace tarvel {

inline constexpr int kManifestTimeoutMs = 12000;

// One GET of the manifest past any cache. `done` runs once on the calling thread's event loop
// (unless `context` is gone) with the decoded document, or nothing when the request failed or
// the body does not decode. The HTTP status is not looked at: an error page fails to decode.
// `ssl` replaces the default TLS settings (tests trust their own authority there). The request
// is dropped when it has not ended `deadlineMs` after it started, however busy it was.
void fetchManifest(QNetworkAccessManager& network, const QUrl& url,
                   const std::optional<QSslConfiguration>& ssl, bool withReleases, QObject* context,
                   std::function<void(std::optional<VersionManifest>)> done,
                   int deadlineMs = UpdateLimits{}.manifestDeadlineMs);

// What a check offers against the running version.
struct UpdateOffer {
    QString current;
    QString candidate;
    bool newer = false;
};
UpdateOffer offerFor(const VersionManifest& manifest, const QString& current);

}  // namespace tarvel

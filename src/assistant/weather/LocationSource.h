#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace tarvel {

// Whether the desktop lets this application know where the machine is.
enum class LocationAccess { notDetermined, authorized, denied };

// One fix per request from the desktop's location service, and its access answer. Every
// answer arrives later on the main thread, never from inside a request call.
class LocationSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual LocationAccess access() const = 0;
    // Asks for access; the answer is `accessChanged`.
    virtual void requestAccess() = 0;
    // Asks for one fix: `fixReceived`, `fixFailed`, or `accessChanged(denied)` when refused.
    virtual void requestFix() = 0;
    // The locality and administrative area of a coordinate, either may be empty; a source
    // without a geocoder answers with nothing (at once).
    virtual void describePlace(double latitude, double longitude,
                               std::function<void(QStringList names)> done) {
        Q_UNUSED(latitude);
        Q_UNUSED(longitude);
        done({});
    }

signals:
    void accessChanged(tarvel::LocationAccess access);
    void fixReceived(double latitude, double longitude);
    void fixFailed(const QString& description);
};

}  // namespace tarvel

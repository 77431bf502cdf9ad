#include "assistant/weather/GeoClueLocationSource.h"

#include <QTimer>
#include <QVariantMap>

namespace tarvel {

namespace {

QString failureText(QGeoPositionInfoSource::Error error) {
    switch (error) {
        case QGeoPositionInfoSource::UpdateTimeoutError:
            return "The location service found no position in time.";
        case QGeoPositionInfoSource::ClosedError:
            return "The location service closed.";
        default:
            return "The location service failed.";
    }
}

}  // namespace

GeoClueLocationSource::GeoClueLocationSource(const QString& desktopId, QObject* parent)
    : LocationSource(parent),
      source_(QGeoPositionInfoSource::createSource("geoclue2",
                                                   QVariantMap{{"desktopId", desktopId}}, this)) {
    if (!source_) {
        access_ = LocationAccess::denied;
        return;
    }
    // Answers come from the event loop, never from inside a request.
    connect(source_, &QGeoPositionInfoSource::positionUpdated, this,
            &GeoClueLocationSource::received, Qt::QueuedConnection);
    connect(source_, &QGeoPositionInfoSource::errorOccurred, this, &GeoClueLocationSource::failed,
            Qt::QueuedConnection);
}

void GeoClueLocationSource::requestAccess() {
    if (!source_) return;
    askingForAccess_ = true;
    ask();
}

void GeoClueLocationSource::requestFix() {
    if (!source_) return;
    if (accessFix_) {
        const QGeoCoordinate fix = *accessFix_;
        accessFix_.reset();
        QTimer::singleShot(0, this,
                           [this, fix] { emit fixReceived(fix.latitude(), fix.longitude()); });
        return;
    }
    ask();
}

void GeoClueLocationSource::ask() {
    if (asking_) return;
    asking_ = true;
    // Kilometre accuracy is enough for weather: no satellites. Setting it asks the service
    // (a blocking call), so only once.
    if (!methodsSet_)
        source_->setPreferredPositioningMethods(
            QGeoPositionInfoSource::NonSatellitePositioningMethods);
    methodsSet_ = true;
    source_->requestUpdate(kFixTimeoutMs);
}

void GeoClueLocationSource::received(const QGeoPositionInfo& info) {
    if (!asking_ || !info.coordinate().isValid()) return;
    asking_ = false;
    const bool forAccess = askingForAccess_;
    askingForAccess_ = false;
    if (forAccess && access_ != LocationAccess::authorized) {
        access_ = LocationAccess::authorized;
        accessFix_ = info.coordinate();
        emit accessChanged(access_);
        return;
    }
    access_ = LocationAccess::authorized;
    emit fixReceived(info.coordinate().latitude(), info.coordinate().longitude());
}

void GeoClueLocationSource::failed(QGeoPositionInfoSource::Error error) {
    // Late errors of a request already answered (the plugin's own timer outlives a refusal).
    if (error == QGeoPositionInfoSource::NoError || !asking_) return;
    asking_ = false;
    askingForAccess_ = false;
    if (error == QGeoPositionInfoSource::AccessError) {
        if (access_ == LocationAccess::denied) return;
        access_ = LocationAccess::denied;
        emit accessChanged(access_);
        return;
    }
    emit fixFailed(failureText(error));
}

}  // namespace tarvel

#include "assistant/weather/WeatherStore.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include "base/Clock.h"
#include "base/Published.h"

namespace tarvel {

namespace {

const char* kTimedOut = "tarvelTimedOut";
const char* kOversized = "tarvelOversized";

}  // namespace

WeatherStore::WeatherStore(std::unique_ptr<LocationSource> location, QNetworkAccessManager& network,
                           Clock& clock, Options options, QObject* parent)
    : QObject(parent),
      location_(std::move(location)),
      network_(network),
      clock_(clock),
      options_(std::move(options)) {
    connect(location_.get(), &LocationSource::accessChanged, this, &WeatherStore::accessChanged);
    connect(location_.get(), &LocationSource::fixReceived, this, &WeatherStore::fixReceived);
    connect(location_.get(), &LocationSource::fixFailed, this, &WeatherStore::fixFailed);
}

void WeatherStore::start() {
    switch (location_->access()) {
        case LocationAccess::authorized:
            hadAccess_ = true;
            location_->requestFix();
            break;
        case LocationAccess::notDetermined: location_->requestAccess(); break;
        case LocationAccess::denied: showAccessOff(); break;
    }
}

void WeatherStore::refresh() {
    if (clock_.now() - lastFetch_ > kRefreshGuard) location_->requestFix();
}

void WeatherStore::showAccessOff() {
    publish(this, error_, std::optional<QString>(QString::fromUtf8(
                              "Location denied — enable in System Settings")),
            &WeatherStore::errorChanged);
    publish(this, summary_, QString("Location off"), &WeatherStore::summaryChanged);
    publish(this, detail_, QString("Allow location for local weather"), &WeatherStore::detailChanged);
}

void WeatherStore::accessChanged(LocationAccess access) {
    switch (access) {
        case LocationAccess::denied:
            if (!hadAccess_) {
                showAccessOff();
                break;
            }
            publish(this, error_, std::optional<QString>("Location denied"),
                    &WeatherStore::errorChanged);
            publish(this, summary_, QString("Location off"), &WeatherStore::summaryChanged);
            break;
        case LocationAccess::authorized:
            hadAccess_ = true;
            location_->requestFix();
            break;
        case LocationAccess::notDetermined: break;
    }
}

void WeatherStore::fixReceived(double latitude, double longitude) {
    hadAccess_ = true;
    lastFetch_ = clock_.now();
    fetchWeather(latitude, longitude);
    QPointer<WeatherStore> self(this);
    location_->describePlace(latitude, longitude, [self](QStringList names) {
        if (!self) return;
        names.removeAll(QString());
        publish(self.data(), self->place_, names.join(", "), &WeatherStore::placeChanged);
    });
}

void WeatherStore::fixFailed(const QString& description) {
    publish(this, error_, std::optional<QString>(description), &WeatherStore::errorChanged);
    publish(this, summary_, QString("Weather unavailable"), &WeatherStore::summaryChanged);
}

void WeatherStore::fetchWeather(double latitude, double longitude) {
    QNetworkReply* reply =
        network_.get(QNetworkRequest(forecastUrl(options_.host, latitude, longitude)));
    // One deadline for the whole answer, however slowly it trickles in.
    QTimer::singleShot(options_.timeoutMs, reply, [reply] {
        reply->setProperty(kTimedOut, true);
        reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() <= kForecastMaxBytes) return;
        reply->setProperty(kOversized, true);
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        forecastFinished(reply);
    });
}

void WeatherStore::forecastFinished(QNetworkReply* reply) {
    // An error status from the service is still an answer: its body is read like any other.
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    const bool timedOut = reply->property(kTimedOut).toBool();
    if (timedOut || (reply->error() != QNetworkReply::NoError && !answered)) {
        const QString text = timedOut ? QString("The request timed out.") : reply->errorString();
        publish(this, error_, std::optional<QString>(text), &WeatherStore::errorChanged);
        publish(this, summary_, QString("Weather error"), &WeatherStore::summaryChanged);
        return;
    }
    const bool oversized = reply->property(kOversized).toBool();
    const auto conditions = parseForecast(oversized ? QByteArray() : reply->readAll());
    if (!conditions) {
        publish(this, summary_, QString("Weather error"), &WeatherStore::summaryChanged);
        return;
    }
    publish(this, tempC_, conditions->tempC, &WeatherStore::tempCChanged);
    publish(this, humidity_, conditions->humidity, &WeatherStore::humidityChanged);
    publish(this, windKmh_, conditions->windKmh, &WeatherStore::windKmhChanged);
    publish(this, code_, conditions->code, &WeatherStore::codeChanged);
    publish(this, error_, std::optional<QString>(), &WeatherStore::errorChanged);
    publish(this, lastUpdated_, std::optional<double>(clock_.now()),
            &WeatherStore::lastUpdatedChanged);
    publish(this, summary_, weatherSummary(tempC_, code_), &WeatherStore::summaryChanged);
    publish(this, detail_, weatherDetail(humidity_, windKmh_), &WeatherStore::detailChanged);
}

}  // namespace tarvel

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

void WeatherStore::setSummary(const QString& text) {
    publish(this, summary_, text, &WeatherStore::summaryChanged);
}

void WeatherStore::setDetail(const QString& text) {
    publish(this, detail_, text, &WeatherStore::detailChanged);
}

void WeatherStore::setError(const std::optional<QString>& text) {
    publish(this, error_, text, &WeatherStore::errorChanged);
}

void WeatherStore::start() {
    switch (location_->access()) {
        case LocationAccess::authorized:
            hadAccess_ = true;
            location_->requestFix();
            break;
        case LocationAccess::notDetermined:
            location_->requestAccess();
            break;
        case LocationAccess::denied:
            showAccessOff();
            break;
    }
}

void WeatherStore::refresh() {
    if (clock_.now() - lastFetch_ > kRefreshGuard) location_->requestFix();
}

void WeatherStore::showAccessOff() {
    setError(QString::fromUtf8("Location denied — enable in the desktop’s privacy settings"));
    setSummary("Location off");
    setDetail("Allow location for local weather");
}

void WeatherStore::accessChanged(LocationAccess access) {
    switch (access) {
        case LocationAccess::denied:
            if (!hadAccess_) {
                showAccessOff();
                break;
            }
            setError("Location denied");
            setSummary("Location off");
            break;
        case LocationAccess::authorized:
            hadAccess_ = true;
            location_->requestFix();
            break;
        case LocationAccess::notDetermined:
            break;
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
    setError(description);
    setSummary("Weather unavailable");
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
        setError(text);
        setSummary("Weather error");
        return;
    }
    const bool oversized = reply->property(kOversized).toBool();
    const auto conditions = parseForecast(oversized ? QByteArray() : reply->readAll());
    if (!conditions) {
        setSummary("Weather error");
        return;
    }
    publish(this, tempC_, conditions->tempC, &WeatherStore::tempCChanged);
    publish(this, humidity_, conditions->humidity, &WeatherStore::humidityChanged);
    publish(this, windKmh_, conditions->windKmh, &WeatherStore::windKmhChanged);
    publish(this, code_, conditions->code, &WeatherStore::codeChanged);
    setError(std::nullopt);
    publish(this, lastUpdated_, std::optional<double>(clock_.now()),
            &WeatherStore::lastUpdatedChanged);
    setSummary(weatherSummary(tempC_, code_));
    setDetail(weatherDetail(humidity_, windKmh_));
}

}  // namespace tarvel

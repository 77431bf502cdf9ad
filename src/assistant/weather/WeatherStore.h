#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtGlobal>
#include <memory>
#include <optional>

#include "assistant/weather/ForecastParsing.h"
#include "assistant/weather/ForecastRequest.h"
#include "assistant/weather/LocationSource.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace tarvel {

class Clock;

// Local conditions at the machine's location: one location fix per request, then the forecast
// service's current conditions and the place name, published on the main thread.
class WeatherStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString summary READ summary NOTIFY summaryChanged)
    Q_PROPERTY(QString detail READ detail NOTIFY detailChanged)
    Q_PROPERTY(std::optional<double> tempC READ tempC NOTIFY tempCChanged)
    Q_PROPERTY(std::optional<qint64> humidity READ humidity NOTIFY humidityChanged)
    Q_PROPERTY(std::optional<double> windKmh READ windKmh NOTIFY windKmhChanged)
    Q_PROPERTY(std::optional<qint64> code READ code NOTIFY codeChanged)
    Q_PROPERTY(QString place READ place NOTIFY placeChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(std::optional<double> lastUpdated READ lastUpdated NOTIFY lastUpdatedChanged)

public:
    // A refresh asks for a new fix only this long after the last one, seconds.
    static constexpr double kRefreshGuard = 8.0;

    struct Options {
        QUrl host = QUrl(kOpenMeteoHost);
        int timeoutMs = kForecastTimeoutMs;
    };

    WeatherStore(std::unique_ptr<LocationSource> location, QNetworkAccessManager& network,
                 Clock& clock, Options options, QObject* parent = nullptr);
    WeatherStore(std::unique_ptr<LocationSource> location, QNetworkAccessManager& network,
                 Clock& clock, QObject* parent = nullptr)
        : WeatherStore(std::move(location), network, clock, Options{}, parent) {}

    // Begins, or checks again, location access; with access, asks for a fix.
    void start();
    // "Refresh weather": a new fix, unless the last one came within the guard.
    void refresh();

    static QString weatherLabel(std::optional<qint64> code) { return tarvel::weatherLabel(code); }

    QString summary() const { return summary_; }
    QString detail() const { return detail_; }
    std::optional<double> tempC() const { return tempC_; }
    std::optional<qint64> humidity() const { return humidity_; }
    std::optional<double> windKmh() const { return windKmh_; }
    std::optional<qint64> code() const { return code_; }
    QString place() const { return place_; }
    std::optional<QString> error() const { return error_; }
    // Seconds since 1970 of the last answer read.
    std::optional<double> lastUpdated() const { return lastUpdated_; }
    // Seconds since 1970 of the last fix received; 0 before the first.
    double lastFetch() const { return lastFetch_; }
    LocationSource& location() const { return *location_; }

signals:
    void summaryChanged();
    void detailChanged();
    void tempCChanged();
    void humidityChanged();
    void windKmhChanged();
    void codeChanged();
    void placeChanged();
    void errorChanged();
    void lastUpdatedChanged();

private:
    void accessChanged(LocationAccess access);
    void fixReceived(double latitude, double longitude);
    void fixFailed(const QString& description);
    void fetchWeather(double latitude, double longitude);
    void forecastFinished(QNetworkReply* reply);
    void showAccessOff();
    void setSummary(const QString& text);
    void setDetail(const QString& text);
    void setError(const std::optional<QString>& text);

    std::unique_ptr<LocationSource> location_;
    QNetworkAccessManager& network_;
    Clock& clock_;
    Options options_;
    // Until access is first granted, a refusal reads as "enable it", later as "it was taken".
    bool hadAccess_ = false;

    QString summary_ = QString::fromUtf8("Locating…");
    QString detail_;
    std::optional<double> tempC_;
    std::optional<qint64> humidity_;
    std::optional<double> windKmh_;
    std::optional<qint64> code_;
    QString place_;
    std::optional<QString> error_;
    std::optional<double> lastUpdated_;
    double lastFetch_ = 0;
};

}  // namespace tarvel

#include "assistant/weather/ForecastParsing.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QVariant>
#include <cmath>
#include <cstdio>

namespace tarvel {

namespace {

std::optional<double> number(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

// An integer, or a number truncated toward zero; a number outside the 64-bit range is absent
// (converting it would be undefined).
std::optional<qint64> integer(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const QVariant exact = value.toVariant();
    if (exact.typeId() == QMetaType::LongLong) return exact.toLongLong();
    const double d = value.toDouble();
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (!std::isfinite(d) || d < -kTwoTo63 || d >= kTwoTo63) return std::nullopt;
    return static_cast<qint64>(std::trunc(d));
}

// printf's "%.0f": the texts round the way the C library does.
QString noDecimals(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", value);
    return QString::fromLatin1(text);
}

}  // namespace

std::optional<CurrentConditions> parseForecast(const QByteArray& body) {
    if (body.isEmpty()) return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonValue current = document.object().value("current");
    if (!current.isObject()) return std::nullopt;
    const QJsonObject fields = current.toObject();
    CurrentConditions conditions;
    conditions.tempC = number(fields.value("temperature_2m"));
    conditions.humidity = integer(fields.value("relative_humidity_2m"));
    conditions.windKmh = number(fields.value("wind_speed_10m"));
    conditions.code = integer(fields.value("weather_code"));
    return conditions;
}

QString weatherLabel(std::optional<qint64> code) {
    switch (code.value_or(-1)) {
        case 0: return "Clear";
        case 1:
        case 2: return "Partly cloudy";
        case 3: return "Overcast";
        case 45:
        case 48: return "Fog";
        case 51:
        case 53:
        case 55: return "Drizzle";
        case 61:
        case 63:
        case 65: return "Rain";
        case 71:
        case 73:
        case 75:
        case 77: return "Snow";
        case 80:
        case 81:
        case 82: return "Showers";
        case 95:
        case 96:
        case 99: return "Thunderstorm";
        default: return "Local weather";
    }
}

QString weatherSummary(std::optional<double> tempC, std::optional<qint64> code) {
    const QString word = weatherLabel(code);
    if (!tempC) return word;
    return noDecimals(*tempC) + QString::fromUtf8("°C · ") + word;
}

QString weatherDetail(std::optional<qint64> humidity, std::optional<double> windKmh) {
    QStringList parts;
    if (humidity) parts << "Humidity " + QString::number(*humidity) + "%";
    if (windKmh) parts << "Wind " + noDecimals(*windKmh) + " km/h";
    return parts.join(QString::fromUtf8(" · "));
}

}  // namespace tarvel

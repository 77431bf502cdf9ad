#include "assistant/weather/ForecastParsing.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

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
    struct Word {
        std::vector<qint64> codes;
        const char* word;
    };
    static const Word kWords[] = {
        {{0}, "Clear"},
        {{1, 2}, "Partly cloudy"},
        {{3}, "Overcast"},
        {{45, 48}, "Fog"},
        {{51, 53, 55}, "Drizzle"},
        {{61, 63, 65}, "Rain"},
        {{71, 73, 75, 77}, "Snow"},
        {{80, 81, 82}, "Showers"},
        {{95, 96, 99}, "Thunderstorm"},
    };
    if (code)
        for (const Word& word : kWords)
            if (std::find(word.codes.begin(), word.codes.end(), *code) != word.codes.end())
                return word.word;
    return "Local weather";
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

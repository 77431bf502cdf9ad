#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace tarvel {

// The "current" block of a forecast answer; each value is absent when the answer lacks it or
// holds something that is not a usable number.
struct CurrentConditions {
    std::optional<double> tempC;
    std::optional<qint64> humidity;
    std::optional<double> windKmh;
    std::optional<qint64> code;
};

// Nothing when the body is empty, not JSON, not an object or has no "current" object.
std::optional<CurrentConditions> parseForecast(const QByteArray& body);

// The condition word for a WMO weather code; no code reads as an unknown one.
QString weatherLabel(std::optional<qint64> code);
// "18°C · Partly cloudy", or the condition word alone without a temperature.
QString weatherSummary(std::optional<double> tempC, std::optional<qint64> code);
// "Humidity 64% · Wind 12 km/h" with the parts that are present; empty with neither.
QString weatherDetail(std::optional<qint64> humidity, std::optional<double> windKmh);

}  // namespace tarvel

#pragma once

#include <QString>
#include <QUrl>

namespace tarvel {

// The public forecast service; tests put a loopback server in its place.
inline constexpr const char* kOpenMeteoHost = "https://api.open-meteo.com";
// A forecast answer may take this long; after it the request fails as timed out.
inline constexpr int kForecastTimeoutMs = 15'000;
// Larger answers are not forecasts.
inline constexpr qint64 kForecastMaxBytes = 256 * 1024;

// The current-conditions request for a coordinate in degrees: "/v1/forecast" on `host` with
// its query items in their fixed order.
QUrl forecastUrl(const QUrl& host, double latitude, double longitude);

// The shortest decimal text that reads back as the same double ("37.33182").
QString shortestDecimal(double value);

}  // namespace tarvel

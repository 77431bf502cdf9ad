#include "assistant/weather/ForecastRequest.h"

#include <QUrlQuery>
#include <charconv>

namespace tarvel {

QString shortestDecimal(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, int(result.ptr - text));
}

QUrl forecastUrl(const QUrl& host, double latitude, double longitude) {
    QUrl url = host;
    url.setPath("/v1/forecast");
    QUrlQuery query;
    query.addQueryItem("latitude", shortestDecimal(latitude));
    query.addQueryItem("longitude", shortestDecimal(longitude));
    query.addQueryItem("current",
                       "temperature_2m,relative_humidity_2m,weather_code,wind_speed_10m");
    query.addQueryItem("timezone", "auto");
    query.addQueryItem("wind_speed_unit", "kmh");
    url.setQuery(query);
    return url;
}

}  // namespace tarvel

#include <gtest/gtest.h>

#include <QTcpServer>
#include <limits>
#include <tuple>
#include <vector>

#include "WeatherHarness.h"
#include "assistant/weather/GeoClueLocationSource.h"

namespace tarvel {
namespace {

using test::WeatherHarness;
using Response = test::LoopbackHttpServer::Response;
const QString kOpenText =
    QString::fromUtf8("Location denied — enable in the desktop’s privacy settings");

TEST(WeatherStoreTest, ForecastAnswersBecomeSummaryAndDetail) {
    struct Case {
        const char* current;
        QString summary;
        QString detail;
        std::optional<qint64> humidity;
        std::optional<qint64> code;
    };
    const Case cases[] = {
        {R"({"temperature_2m":17.6,"relative_humidity_2m":64,"weather_code":2,"wind_speed_10m":12.4})",
         "18°C · Partly cloudy", "Humidity 64% · Wind 12 km/h", 64, 2},
        {R"({"temperature_2m":17.6,"relative_humidity_2m":64,"weather_code":56})",
         "18°C · Local weather", "Humidity 64%", 64, 56},
        {R"({"relative_humidity_2m":64,"weather_code":61,"wind_speed_10m":3.5})", "Rain",
         "Humidity 64% · Wind 4 km/h", 64, 61},
        {R"({"temperature_2m":-3.5,"weather_code":75,"wind_speed_10m":0.4})", "-4°C · Snow",
         "Wind 0 km/h", std::nullopt, 75},
        {"{}", "Local weather", "", std::nullopt, std::nullopt},
        // Numbers are truncated toward zero.
        {R"({"temperature_2m":20,"relative_humidity_2m":63.9,"weather_code":-0.5})", "20°C · Clear",
         "Humidity 63%", 63, 0},
        // Hostile numbers and strings are absent, never converted.
        {R"({"temperature_2m":"NaN","relative_humidity_2m":1e300,"weather_code":"3"})",
         "Local weather", "", std::nullopt, std::nullopt},
        {R"({"relative_humidity_2m":-1e19,"weather_code":9.3e18,"wind_speed_10m":"Infinity"})",
         "Local weather", "", std::nullopt, std::nullopt},
        {R"({"relative_humidity_2m":null,"weather_code":[95],"wind_speed_10m":{"v":1}})",
         "Local weather", "", std::nullopt, std::nullopt},
        {R"({"relative_humidity_2m":-9223372036854775808,"weather_code":9223372036854775807})",
         "Local weather", "Humidity -9223372036854775808%", std::numeric_limits<qint64>::min(),
         std::numeric_limits<qint64>::max()},
        {R"({"temperature_2m":25.5,"weather_code":95.99})", "26°C · Thunderstorm", "", std::nullopt,
         95},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        WeatherHarness weather;
        ASSERT_TRUE(
            weather.fixAnswered(QByteArray(R"({"latitude":37.3,"current":)") + c.current + "}"));
        const WeatherStore& s = weather.store;
        EXPECT_EQ(std::tuple(s.summary(), s.detail(), s.humidity(), s.code(), s.lastUpdated()),
                  std::tuple(c.summary, c.detail, c.humidity, c.code, weather.clock.now()));
        EXPECT_EQ(s.error(), std::nullopt);
    }
}

TEST(WeatherStoreTest, RequestCarriesTheCoordinateAndQueryInOrder) {
    WeatherHarness weather;
    ASSERT_TRUE(weather.fixAnswered(Response::answer(200, "{}"), 37.33182, -122.0312186));
    ASSERT_TRUE(weather.fixAnswered(Response::answer(200, "{}"), 0.1 + 0.2, -1e-05));
    const QString query =
        "&current=temperature_2m,relative_humidity_2m,weather_code,wind_speed_10m"
        "&timezone=auto&wind_speed_unit=kmh";
    EXPECT_EQ(weather.targets(),
              QStringList({"/v1/forecast?latitude=37.33182&longitude=-122.0312186" + query,
                           "/v1/forecast?latitude=0.30000000000000004&longitude=-1e-05" + query}));
}

TEST(WeatherStoreTest, AnswersThatAreNoForecastKeepTheLastValues) {
    const Response answers[] = {
        Response::answer(200, ""),
        Response::answer(200, "not json"),
        Response::answer(200, "[1,2]"),
        Response::answer(200, R"({"current":5})"),
        Response::answer(200, R"({"current":{"temperature_2m":1})"),
        Response::answer(400,
                         R"({"error":true,"reason":"Latitude must be in range of -90 to 90°."})"),
        Response::answer(500, "<html>busy</html>"),
        // Larger than any forecast.
        Response::answer(200, "{\"current\":{},\"pad\":\"" + QByteArray(300 * 1024, 'x') + "\"}"),
    };
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer.body.left(60).toStdString());
        WeatherHarness weather;
        ASSERT_TRUE(weather.fixAnswered(R"({"current":{"temperature_2m":17.6,"weather_code":2}})"));
        const auto updated = weather.store.lastUpdated();
        ASSERT_TRUE(weather.fixAnswered(answer));
        const WeatherStore& s = weather.store;
        EXPECT_EQ(std::tuple(s.summary(), s.detail(), s.tempC(), s.code(), s.lastUpdated()),
                  std::tuple("Weather error", "", 17.6, 2, updated));
        EXPECT_EQ(s.error(), std::nullopt);
    }
}

TEST(WeatherStoreTest, TransportFailuresSayWhatHappened) {
    // Nothing listens on a port just given back.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const QUrl refused(QString("http://127.0.0.1:%1").arg(closed.serverPort()));
    closed.close();

    const std::tuple<int, QUrl, QString> cases[] = {
        {200, QUrl(), "The request timed out."},  // the loopback server, silent
        {kForecastTimeoutMs, refused, "Connection refused"},
    };
    for (const auto& [timeoutMs, service, error] : cases) {
        WeatherHarness weather(LocationAccess::authorized, timeoutMs, service);
        ASSERT_TRUE(weather.fixAnswered(Response::noAnswer()));
        EXPECT_EQ(std::tuple(weather.store.error(), weather.store.summary()),
                  std::tuple(error, "Weather error"));
    }
}

TEST(WeatherStoreTest, AccessOutcomesGiveTheirTexts) {
    enum Step { Start, Grant, Deny, Undecide, FixFails };
    using A = LocationAccess;
    const QString allow = "Allow location for local weather";
    const QString noFix = "The location service found no position in time.";
    struct Case {
        LocationAccess initial;
        std::vector<Step> steps;
        QString summary;
        QString detail;
        std::optional<QString> error;
        int accessRequests;
        int fixRequests;
    };
    const Case cases[] = {
        {A::denied, {Start}, "Location off", allow, kOpenText, 0, 0},
        {A::notDetermined, {Start}, "Locating…", "", std::nullopt, 1, 0},
        {A::notDetermined, {Start, Deny}, "Location off", allow, kOpenText, 1, 0},
        {A::notDetermined, {Start, Grant}, "Locating…", "", std::nullopt, 1, 1},
        {A::authorized, {Start}, "Locating…", "", std::nullopt, 0, 1},
        // Taken away after it was given: no advice to open the settings.
        {A::authorized, {Start, Deny}, "Location off", "", "Location denied", 0, 1},
        {A::notDetermined, {Start, Grant, Deny}, "Location off", "", "Location denied", 1, 1},
        {A::authorized, {Undecide}, "Locating…", "", std::nullopt, 0, 0},
        {A::authorized, {Start, FixFails}, "Weather unavailable", "", noFix, 0, 1},
        {A::denied, {Start, Start}, "Location off", allow, kOpenText, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);  // the case's index
        WeatherHarness weather(c.initial);
        for (const Step step : c.steps) {
            if (step == Start) weather.store.start();
            if (step == Grant) weather.location->answerAccess(A::authorized);
            if (step == Deny) weather.location->answerAccess(A::denied);
            if (step == Undecide) weather.location->answerAccess(A::notDetermined);
            if (step == FixFails) weather.location->fail(noFix);
        }
        EXPECT_EQ(
            std::tuple(weather.store.summary(), weather.store.detail(), weather.store.error()),
            std::tuple(c.summary, c.detail, c.error));
        EXPECT_EQ(std::tuple(weather.location->accessRequests, weather.location->fixRequests),
                  std::tuple(c.accessRequests, c.fixRequests));
    }
}

TEST(WeatherStoreTest, WithoutALocationServiceLocationIsOff) {
    // No system bus, so no GeoClue: the first request is refused and nothing asks again.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tarvel-test-bus");
    QNetworkAccessManager network;
    ManualClock clock;
    WeatherStore store(std::make_unique<GeoClueLocationSource>("app.tarvel.Tarvel"), network,
                       clock);
    store.start();
    ASSERT_TRUE(test::waitUntil([&] { return store.summary() == "Location off"; }));
    EXPECT_EQ(store.error(), kOpenText);
    EXPECT_EQ(store.detail(), "Allow location for local weather");
    EXPECT_EQ(store.location().access(), LocationAccess::denied);
}

TEST(WeatherStoreTest, PlaceJoinsTheNamesThatArePresent) {
    const std::pair<QStringList, QString> cases[] = {
        {{"", "Bavaria"}, "Bavaria"},
        {{"Lyon", ""}, "Lyon"},
        {{}, ""},
    };
    for (const auto& [names, place] : cases) {
        SCOPED_TRACE(place.toStdString());
        WeatherHarness weather;
        weather.location->placeNames = names;
        ASSERT_TRUE(weather.fixAnswered("{}"));
        EXPECT_EQ(weather.store.place(), place);
    }
}

}  // namespace
}  // namespace tarvel

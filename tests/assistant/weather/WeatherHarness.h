#pragma once

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <memory>
#include <ostream>

#include "assistant/weather/LocationSource.h"
#include "assistant/weather/WeatherStore.h"
#include "base/Clock.h"
#include "support/LoopbackHttpServer.h"
#include "support/WaitUntil.h"

// Readable failures for the store's texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tarvel::test {

// A location service the test answers by hand; it counts what the store asked for.
class FakeLocationSource : public LocationSource {
public:
    explicit FakeLocationSource(LocationAccess access = LocationAccess::notDetermined)
        : access_(access) {}

    LocationAccess access() const override { return access_; }
    void requestAccess() override { ++accessRequests; }
    void requestFix() override { ++fixRequests; }
    void describePlace(double, double, std::function<void(QStringList)> done) override {
        done(placeNames);
    }

    void answerAccess(LocationAccess access) {
        access_ = access;
        emit accessChanged(access);
    }
    void deliverFix(double latitude = 37.33182, double longitude = -122.03118) {
        emit fixReceived(latitude, longitude);
    }
    void fail(const QString& description) { emit fixFailed(description); }

    int accessRequests = 0;
    int fixRequests = 0;
    QStringList placeNames;

private:
    LocationAccess access_;
};

// A weather store over a hand-answered location source, a loopback forecast service and a
// clock that moves only when told.
struct WeatherHarness {
    using Response = LoopbackHttpServer::Response;

    // `service`: the forecast service's address when not the loopback server's.
    explicit WeatherHarness(LocationAccess access = LocationAccess::authorized,
                            int timeoutMs = kForecastTimeoutMs, const QUrl& service = {})
        : location(new FakeLocationSource(access)),
          store(std::unique_ptr<LocationSource>(location), network, clock,
                WeatherStore::Options{service.isEmpty() ? server.url() : service, timeoutMs}) {
        server.setHandler([this](const LoopbackHttpServer::Request&) { return answer; });
        // A reply is deleted once the store has read it.
        QObject::connect(
            &network, &QNetworkAccessManager::finished, &network, [this](QNetworkReply* reply) {
                QObject::connect(reply, &QObject::destroyed, &network, [this] { ++answersRead; });
            });
    }

    // A fix at the given place, answered by the service with `answer`; false if the store
    // never read the answer.
    bool fixAnswered(Response response, double latitude = 37.33182, double longitude = -122.03118) {
        answer = std::move(response);
        clock.advance(1);
        const int before = answersRead;
        location->deliverFix(latitude, longitude);
        return waitUntil([&] { return answersRead > before; });
    }
    bool fixAnswered(const QByteArray& body) { return fixAnswered(Response::answer(200, body)); }

    // The request targets ("/v1/forecast?…") in the order they came.
    QStringList targets() const {
        QStringList targets;
        for (const auto& request : server.requests()) targets << QString::fromUtf8(request.target);
        return targets;
    }

    LoopbackHttpServer server;
    Response answer;
    QNetworkAccessManager network;
    ManualClock clock;
    FakeLocationSource* location;  // owned by the store
    WeatherStore store;
    int answersRead = 0;
};

}  // namespace tarvel::test

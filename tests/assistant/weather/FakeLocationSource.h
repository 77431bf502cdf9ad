#pragma once

#include "assistant/weather/LocationSource.h"

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

}  // namespace tarvel::test

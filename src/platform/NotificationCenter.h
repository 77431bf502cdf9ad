#pragma once

#include <string>

namespace tarvel {

// One local notification, delivered at once.
struct LocalNotification {
    std::string identifier;  // lets the notification be found again
    std::string title;
    std::string body;
    bool defaultSound = true;
};

// The desktop's notification service. Delivery is fire-and-forget: no service, a refusal or an
// error simply means nothing is shown.
class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;
    // Asks for permission to show alerts with sound; the answer is not reported.
    virtual void requestAuthorization() = 0;
    virtual void add(const LocalNotification& notification) = 0;
};

}  // namespace tarvel

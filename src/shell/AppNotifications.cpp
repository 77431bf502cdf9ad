#include "shell/AppNotifications.h"

namespace tarvel {

AppNotificationCenter& AppNotificationCenter::instance() {
    static AppNotificationCenter center;
    return center;
}

}  // namespace tarvel

#include "views/TarvelOnboarding.h"

#include "base/UserDefaults.h"

namespace tarvel::TarvelOnboarding {

bool hasSeen(const UserDefaults& defaults) {
    return defaults.boolValue(kSeenKey).value_or(false);
}

void markSeen(UserDefaults& defaults) {
    defaults.setBool(kSeenKey, true);
}

}  // namespace tarvel::TarvelOnboarding

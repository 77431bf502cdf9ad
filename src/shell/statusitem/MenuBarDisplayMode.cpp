#include "shell/statusitem/MenuBarDisplayMode.h"

#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"

namespace tarvel {

const char* MenuBarDisplay::rawValue(MenuBarDisplayMode mode) {
    return mode == MenuBarDisplayMode::watts ? "watts" : "percent";
}

std::optional<MenuBarDisplayMode> MenuBarDisplay::fromRawValue(std::string_view raw) {
    if (raw == "percent") return MenuBarDisplayMode::percent;
    if (raw == "watts") return MenuBarDisplayMode::watts;
    return std::nullopt;
}

MenuBarDisplayMode MenuBarDisplay::current(const UserDefaults& settings) {
    const auto raw = settings.string(kMenuBarDisplayModeKey);
    if (!raw) return MenuBarDisplayMode::percent;
    return fromRawValue(*raw).value_or(MenuBarDisplayMode::percent);
}

void MenuBarDisplay::set(UserDefaults& settings, MenuBarDisplayMode mode) {
    settings.setString(kMenuBarDisplayModeKey, rawValue(mode));
    postAppNotification(tarvelMenuBarDisplayChanged);
}

}  // namespace tarvel

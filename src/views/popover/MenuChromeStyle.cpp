#include "views/popover/MenuChromeStyle.h"

#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"

namespace tarvel {

MenuChromeStyle MenuChromeStyle::fromRaw(const std::optional<std::string>& raw) {
    return raw && *raw == "original" ? original : newer;
}

MenuChromeStyle MenuChromeStyle::current(const UserDefaults& settings) {
    return fromRaw(settings.string(kKey));
}

void MenuChromeStyle::set(UserDefaults& settings, MenuChromeStyle style) {
    settings.setString(kKey, style.rawValue());
    postAppNotification(tarvelMenuBarDisplayChanged);
}

const char* MenuChromeStyle::rawValue() const {
    return isNewer() ? "newer" : "original";
}

const char* MenuChromeStyle::title() const {
    return isNewer() ? "Newer" : "Original";
}

int MenuChromeStyle::padH() const {
    return isNewer() ? 16 : 20;
}

int MenuChromeStyle::heroPct() const {
    return isNewer() ? 36 : 28;
}

int MenuChromeStyle::heroIcon() const {
    return isNewer() ? 52 : 40;
}

}  // namespace tarvel

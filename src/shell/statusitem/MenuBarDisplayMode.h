#pragma once

#include <optional>
#include <string_view>

namespace tarvel {

class UserDefaults;

// What the status item's text shows next to the battery symbol.
enum class MenuBarDisplayMode {
    percent,  // level, charge state and remaining time
    watts,    // level and package watts
};

inline constexpr const char* kMenuBarDisplayModeKey = "tarvelpro.menuBarDisplayMode";

// The display mode's stored form and its setting.
struct MenuBarDisplay {
    static const char* rawValue(MenuBarDisplayMode mode);
    static std::optional<MenuBarDisplayMode> fromRawValue(std::string_view raw);
    // Missing or unknown strings read as percent.
    static MenuBarDisplayMode current(const UserDefaults& settings);
    // Stores the raw value and tells the status item to redraw.
    static void set(UserDefaults& settings, MenuBarDisplayMode mode);
};

}  // namespace tarvel

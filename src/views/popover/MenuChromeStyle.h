#pragma once

#include <array>
#include <optional>
#include <string>

namespace tarvel {

class UserDefaults;

// The popover's look: `newer`, a list that reads like the desktop's own battery menu (the
// default), or `original`, a stack of collapsible monitor cards.
class MenuChromeStyle {
public:
    enum Case { newer, original };
    static constexpr const char* kKey = "tarvelpro.menuChromeStyle";

    constexpr MenuChromeStyle(Case value = newer) : value_(value) {}

    static std::array<MenuChromeStyle, 2> allCases() { return {newer, original}; }
    // "original" is the original style; anything else, stored or not, the newer one.
    static MenuChromeStyle fromRaw(const std::optional<std::string>& raw);
    static MenuChromeStyle current(const UserDefaults& settings);
    // Stores the raw value and asks the status item to redraw.
    static void set(UserDefaults& settings, MenuChromeStyle style);

    Case value() const { return value_; }
    bool isNewer() const { return value_ == newer; }
    const char* rawValue() const;
    const char* title() const;
    // Horizontal padding, hero percentage text and hero battery symbol sizes, pixels.
    int padH() const;
    int heroPct() const;
    int heroIcon() const;

    bool operator==(const MenuChromeStyle&) const = default;

private:
    Case value_;
};

}  // namespace tarvel

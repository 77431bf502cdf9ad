#pragma once

#include <memory>
#include <string>

class QObject;

namespace tarvel {

class CommandRunner;
class UserDefaults;

inline constexpr const char* kMenuBarPosition = "tarvelpro.menuBarPosition";
inline constexpr const char* kStatusItemPreferredPosition = "NSStatusItem Preferred Position";
inline constexpr const char* kStatusItemPreferredPositionNamed =
    "NSStatusItem Preferred Position TarvelProBattery";
// The status item's autosave name; the menu bar files its position under it.
inline constexpr const char* kStatusItemAutosaveName = "TarvelProBattery";

// The user's preferred horizontal place of the status item, 0 (left) to 1 (right), turned into
// the "preferred position" scores the menu bar orders items by. The system side goes through
// `runner` (on this system one that starts nothing, as for the battery item hider).
class MenuBarPositionStore {
public:
    static constexpr double kDefaultPosition = 0.15;

    MenuBarPositionStore(UserDefaults& settings, CommandRunner& runner,
                         std::string defaultsPath = "/usr/bin/defaults");

    // "tarvelpro.menuBarPosition", 0.15 when absent, clamped to 0…1. Setting it stores the
    // clamped value, applies the scores and asks for the status item to be rebuilt in place.
    double normalized() const;
    void setNormalized(double position);

    // normalized × 420 + 80: 0 → 80, 1 → 500.
    double preferredScore() const;

    // Names the item for the menu bar (its object name stands for the autosave name), then
    // applies the scores.
    void configureStatusItem(QObject& item);
    void applyPreferredPosition();

    CommandRunner& runner() { return runner_; }

private:
    friend std::unique_ptr<MenuBarPositionStore> makeApplicationPositionStore(UserDefaults&,
                                                                              std::string);

    UserDefaults& settings_;
    std::unique_ptr<CommandRunner> ownedRunner_;
    CommandRunner& runner_;
    std::string defaultsPath_;
};

// The store as the application builds it: like the battery item hider's, its runner records the
// `defaults` argument lists and starts nothing. `toolsFolder` holds `defaults`.
std::unique_ptr<MenuBarPositionStore> makeApplicationPositionStore(
    UserDefaults& settings, std::string toolsFolder = "/usr/bin");

// The shortest text that reads back as `value`, always with a fraction or exponent: "143.0",
// "80.5", "80.00000000000001".
std::string shortestDecimal(double value);

}  // namespace tarvel

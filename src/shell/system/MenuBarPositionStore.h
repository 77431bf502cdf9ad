#pragma once

class QObject;

namespace tarvel {

class UserDefaults;

inline constexpr const char* kMenuBarPosition = "tarvelpro.menuBarPosition";
inline constexpr const char* kStatusItemPreferredPosition = "NSStatusItem Preferred Position";
inline constexpr const char* kStatusItemPreferredPositionNamed =
    "NSStatusItem Preferred Position TarvelProBattery";
// The status item's autosave name, also its object name.
inline constexpr const char* kStatusItemAutosaveName = "TarvelProBattery";

// The user's preferred horizontal place of the status item, 0 (left) to 1 (right), and the
// "preferred position" score kept with it. No Linux tray lets an application choose its place,
// so the scores are only stored.
class MenuBarPositionStore {
public:
    static constexpr double kDefaultPosition = 0.15;

    explicit MenuBarPositionStore(UserDefaults& settings) : settings_(settings) {}

    // "tarvelpro.menuBarPosition", 0.15 when absent, clamped to 0…1. Setting it stores the
    // clamped value and the scores and asks for the status item to be rebuilt in place.
    double normalized() const;
    void setNormalized(double position);

    // normalized × 420 + 80: 0 → 80, 1 → 500.
    double preferredScore() const;

    // Names the item, then stores the scores.
    void configureStatusItem(QObject& item);
    void applyPreferredPosition();

private:
    UserDefaults& settings_;
};

}  // namespace tarvel

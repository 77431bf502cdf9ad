#include "shell/system/MenuBarPositionStore.h"

#include <QObject>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "base/UserDefaults.h"
#include "platform/CommandRunner.h"
#include "shell/AppNotifications.h"
#include "shell/ApplicationId.h"
#include "shell/system/SystemBatteryMenuHider.h"

namespace tarvel {

namespace {

double clampPosition(double position) {
    // NaN has no place on the bar; it reads like an absent setting.
    if (std::isnan(position)) return MenuBarPositionStore::kDefaultPosition;
    return std::clamp(position, 0.0, 1.0);
}

}  // namespace

std::string shortestDecimal(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string text(buffer.data(), result.ptr);
    if (std::isfinite(value) && text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

MenuBarPositionStore::MenuBarPositionStore(UserDefaults& settings, CommandRunner& runner,
                                           std::string defaultsPath)
    : settings_(settings), runner_(runner), defaultsPath_(std::move(defaultsPath)) {}

double MenuBarPositionStore::normalized() const {
    return clampPosition(settings_.real(kMenuBarPosition).value_or(kDefaultPosition));
}

void MenuBarPositionStore::setNormalized(double position) {
    settings_.setReal(kMenuBarPosition, clampPosition(position));
    applyPreferredPosition();
    postAppNotification(tarvelRebuildStatusItem);
}

double MenuBarPositionStore::preferredScore() const {
    return normalized() * 420 + 80;
}

void MenuBarPositionStore::configureStatusItem(QObject& item) {
    item.setObjectName(QString::fromUtf8(kStatusItemAutosaveName));
    applyPreferredPosition();
}

void MenuBarPositionStore::applyPreferredPosition() {
    const double score = preferredScore();
    const std::string text = shortestDecimal(score);
    const std::string prefix = "NSStatusItem Preferred Position ";
    for (const std::string& key : {prefix + "TarvelProBattery", prefix + "Tarvel",
                                   prefix + kApplicationId, prefix + "Item-Tarvel"}) {
        runner_.shellCapture(defaultsPath_, {"-currentHost", "write", "com.apple.controlcenter",
                                             key, "-float", text});
    }
    settings_.setReal(kStatusItemPreferredPosition, score);
    settings_.setReal(kStatusItemPreferredPositionNamed, score);
}

std::unique_ptr<MenuBarPositionStore> makeApplicationPositionStore(UserDefaults& settings,
                                                                   std::string toolsFolder) {
    auto runner = std::make_unique<RecordingCommandRunner>(nullptr, kApplicationRecordedCalls);
    auto store =
        std::make_unique<MenuBarPositionStore>(settings, *runner, toolsFolder + "/defaults");
    store->ownedRunner_ = std::move(runner);
    return store;
}

}  // namespace tarvel

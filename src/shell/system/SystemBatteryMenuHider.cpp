#include "shell/system/SystemBatteryMenuHider.h"

#include <charconv>

#include "base/PollTimer.h"
#include "base/UserDefaults.h"
#include "platform/CommandRunner.h"

namespace tarvel {

namespace {

constexpr const char* kControlCenter = "com.apple.controlcenter";

bool isVisibleValue(std::int64_t value) {
    return value != 0 && value != 8;
}

}  // namespace

std::optional<std::int64_t> parseDefaultsInteger(const std::string& output) {
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    std::size_t begin = 0;
    std::size_t end = output.size();
    while (begin < end && isSpace(output[begin])) ++begin;
    while (end > begin && isSpace(output[end - 1])) --end;
    if (begin < end && output[begin] == '+') {
        ++begin;
        // "+-3" is not a number.
        if (begin < end && output[begin] == '-') return std::nullopt;
    }
    if (begin == end) return std::nullopt;
    std::int64_t value = 0;
    const char* first = output.data() + begin;
    const char* last = output.data() + end;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

SystemBatteryMenuHider::SystemBatteryMenuHider(UserDefaults& settings, CommandRunner& runner,
                                               std::unique_ptr<PollTimer> timer,
                                               std::string toolsFolder)
    : settings_(settings),
      runner_(runner),
      timer_(std::move(timer)),
      defaultsPath_(toolsFolder + "/defaults"),
      killallPath_(toolsFolder + "/killall") {}

SystemBatteryMenuHider::~SystemBatteryMenuHider() {
    // The timer's tick refers to this object.
    stopEnforcing();
}

bool SystemBatteryMenuHider::isEnabled() const {
    return settings_.boolValue(kReplaceSystemBattery).value_or(true);
}

void SystemBatteryMenuHider::setEnabled(bool on) {
    settings_.setBool(kReplaceSystemBattery, on);
    if (on) {
        hideIfNeeded(true);
        startEnforcing();
    } else {
        stopEnforcing();
        restoreIfNeeded();
    }
}

void SystemBatteryMenuHider::hideIfNeeded(bool forceReload) {
    if (!isEnabled()) return;
    const std::optional<std::int64_t> current = readBatteryPref();
    if (current && isVisibleValue(*current)) {
        settings_.setInteger(kSavedSystemBatteryMenuValue, *current);
    } else if (!settings_.contains(kSavedSystemBatteryMenuValue)) {
        settings_.setInteger(kSavedSystemBatteryMenuValue, kRestoredValue);
    }
    // An unknown value may be a visible item: restart to be sure.
    const bool reload = !current || *current != kHiddenValue;

    writeDefaults({"-currentHost", "write", kControlCenter, "Battery", "-int", "8"});
    writeDefaults({"-currentHost", "write", kControlCenter, "NSStatusItem Visible Battery", "-bool",
                   "false"});
    writeDefaults(
        {"-currentHost", "write", kControlCenter, "BatteryShowPercentage", "-bool", "false"});
    writeDefaults({"write", kControlCenter, "Battery", "-int", "8"});
    writeDefaults({"write", kControlCenter, "NSStatusItem Visible Battery", "-bool", "false"});
    writeDefaults({"write", "com.apple.systemuiserver",
                   "NSStatusItem Visible com.apple.menuextra.battery", "-bool", "false"});

    settings_.setBool(kDidHideSystemBattery, true);
    settings_.setBool(kReplaceSystemBattery, true);
    if (forceReload || reload) reloadControlCenter();
}

void SystemBatteryMenuHider::restoreIfNeeded() {
    if (!settings_.boolValue(kDidHideSystemBattery).value_or(false)) return;
    stopEnforcing();
    const std::optional<std::int64_t> saved = settings_.integer(kSavedSystemBatteryMenuValue);
    const std::string value =
        std::to_string(saved && isVisibleValue(*saved) ? *saved : kRestoredValue);

    writeDefaults({"-currentHost", "write", kControlCenter, "Battery", "-int", value});
    writeDefaults({"write", kControlCenter, "Battery", "-int", value});
    writeDefaults(
        {"-currentHost", "write", kControlCenter, "NSStatusItem Visible Battery", "-bool", "true"});
    writeDefaults(
        {"-currentHost", "write", kControlCenter, "BatteryShowPercentage", "-bool", "true"});
    writeDefaults(
        {"-currentHost", "write", kControlCenter, "NSStatusItem Visible Battery", "-bool", "true"});

    settings_.setBool(kDidHideSystemBattery, false);
    reloadControlCenter();
}

void SystemBatteryMenuHider::startEnforcing() {
    if (!isEnabled()) return;
    timer_->start(kEnforceInterval, kEnforceTolerance, [this] { hideIfNeeded(false); });
    enforcing_ = true;
}

void SystemBatteryMenuHider::stopEnforcing() {
    if (timer_) timer_->stop();
    enforcing_ = false;
}

std::optional<std::int64_t> SystemBatteryMenuHider::readBatteryPref() {
    const std::optional<std::string> output =
        runDefaults({"-currentHost", "read", kControlCenter, "Battery"});
    return output ? parseDefaultsInteger(*output) : std::nullopt;
}

void SystemBatteryMenuHider::writeDefaults(const std::vector<std::string>& arguments) {
    runner_.shellCapture(defaultsPath_, arguments);
}

std::optional<std::string> SystemBatteryMenuHider::runDefaults(
    const std::vector<std::string>& arguments) {
    // The runner answers "" for a tool that cannot start or prints no UTF-8; both read as
    // "unknown" once parsed.
    return runner_.shellCapture(defaultsPath_, arguments);
}

void SystemBatteryMenuHider::reloadControlCenter() {
    runner_.shellCapture(killallPath_, {"ControlCenter"});
    runner_.shellCapture(killallPath_, {"SystemUIServer"});
}

std::unique_ptr<SystemBatteryMenuHider> makeApplicationBatteryMenuHider(UserDefaults& settings,
                                                                        std::string toolsFolder) {
    auto runner = std::make_unique<RecordingCommandRunner>(nullptr, kApplicationRecordedCalls);
    auto hider = std::make_unique<SystemBatteryMenuHider>(settings, *runner, makeQtPollTimer(),
                                                          std::move(toolsFolder));
    hider->ownedRunner_ = std::move(runner);
    return hider;
}

}  // namespace tarvel

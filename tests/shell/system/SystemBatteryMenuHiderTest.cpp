#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <vector>

#include "Printers.h"
#include "base/Clock.h"
#include "base/UserDefaults.h"
#include "platform/CommandRunner.h"
#include "shell/system/SystemBatteryMenuHider.h"
#include "support/ManualPollTimer.h"

namespace tarvel {
namespace {

using Call = RecordingCommandRunner::Call;
using Calls = std::vector<Call>;

const std::string kDefaults = "/usr/bin/defaults";
const std::string kKillall = "/usr/bin/killall";

Calls readCall(const std::string& defaults = kDefaults) {
    return {{defaults, {"-currentHost", "read", "com.apple.controlcenter", "Battery"}}};
}

Calls hideWrites(const std::string& defaults = kDefaults) {
    return {
        {defaults, {"-currentHost", "write", "com.apple.controlcenter", "Battery", "-int", "8"}},
        {defaults,
         {"-currentHost", "write", "com.apple.controlcenter", "NSStatusItem Visible Battery",
          "-bool", "false"}},
        {defaults,
         {"-currentHost", "write", "com.apple.controlcenter", "BatteryShowPercentage", "-bool",
          "false"}},
        {defaults, {"write", "com.apple.controlcenter", "Battery", "-int", "8"}},
        {defaults,
         {"write", "com.apple.controlcenter", "NSStatusItem Visible Battery", "-bool", "false"}},
        {defaults,
         {"write", "com.apple.systemuiserver", "NSStatusItem Visible com.apple.menuextra.battery",
          "-bool", "false"}},
    };
}

Calls restoreWrites(const std::string& value, const std::string& defaults = kDefaults) {
    return {
        {defaults, {"-currentHost", "write", "com.apple.controlcenter", "Battery", "-int", value}},
        {defaults, {"write", "com.apple.controlcenter", "Battery", "-int", value}},
        {defaults,
         {"-currentHost", "write", "com.apple.controlcenter", "NSStatusItem Visible Battery",
          "-bool", "true"}},
        {defaults,
         {"-currentHost", "write", "com.apple.controlcenter", "BatteryShowPercentage", "-bool",
          "true"}},
        {defaults,
         {"-currentHost", "write", "com.apple.controlcenter", "NSStatusItem Visible Battery",
          "-bool", "true"}},
    };
}

Calls restart(const std::string& killall = kKillall) {
    return {{killall, {"ControlCenter"}}, {killall, {"SystemUIServer"}}};
}

Calls concat(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A hider whose `defaults read` answers `systemValue`, with a hand-driven timer.
struct Rig {
    explicit Rig(const std::string& systemValue = "") : recorder(&canned) {
        canned.setOutput(kDefaults, systemValue);
        auto manual = std::make_unique<test::ManualPollTimer>(clock);
        timer = manual.get();
        hider = std::make_unique<SystemBatteryMenuHider>(settings, recorder, std::move(manual));
    }
    QTemporaryDir dir;
    UserDefaults settings{(dir.path() + "/defaults.json").toStdString()};
    CannedCommandRunner canned;
    RecordingCommandRunner recorder;
    ManualClock clock;
    test::ManualPollTimer* timer = nullptr;
    std::unique_ptr<SystemBatteryMenuHider> hider;
};

struct HideCase {
    const char* name;
    std::string systemValue;  // what `defaults read` prints
    std::optional<std::int64_t> savedBefore;
    bool forceReload;
    std::int64_t savedAfter;
    bool restarts;
};

TEST(SystemBatteryMenuHider, HideSavesTheVisibleValueWritesSixAndRestartsWhenNeeded) {
    const HideCase cases[] = {
        {"first hide, system value 3", "3\n", std::nullopt, false, 3, true},
        {"enforcement tick, still hidden", "8\n", 3, false, 3, false},
        {"launch while already hidden", "8\n", 3, true, 3, true},
        {"unknown keeps the saved value", "", 5, false, 5, true},
        {"unknown with nothing saved", "", std::nullopt, false, 18, true},
        {"0 is not visible", "0", std::nullopt, false, 18, true},
        {"visible value replaces the saved one", " 2 \n", 4, false, 2, true},
        {"not a number is unknown", "8 items\n", std::nullopt, false, 18, true},
        {"sign alone is unknown", "-\n", 7, false, 7, true},
    };
    for (const HideCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.systemValue);
        if (c.savedBefore) rig.settings.setInteger(kSavedSystemBatteryMenuValue, *c.savedBefore);

        rig.hider->hideIfNeeded(c.forceReload);

        EXPECT_EQ(rig.recorder.calls(),
                  concat({readCall(), hideWrites(), c.restarts ? restart() : Calls{}}));
        EXPECT_EQ(rig.settings.integer(kSavedSystemBatteryMenuValue), c.savedAfter);
        EXPECT_EQ(rig.settings.boolValue(kDidHideSystemBattery), true);
    }
}

TEST(SystemBatteryMenuHider, TurnedOffItNeitherHidesNorEnforces) {
    Rig rig("3");
    rig.settings.setBool(kReplaceSystemBattery, false);
    rig.hider->hideIfNeeded(true);
    rig.hider->startEnforcing();
    EXPECT_TRUE(rig.recorder.calls().empty());
    EXPECT_FALSE(rig.hider->isEnforcing());
    EXPECT_EQ(rig.timer->starts, 0);
    EXPECT_FALSE(rig.settings.contains(kDidHideSystemBattery));
}

struct RestoreCase {
    const char* name;
    std::optional<std::int64_t> saved;
    std::string written;
};

TEST(SystemBatteryMenuHider, RestoreWritesTheSavedValueOr18) {
    const RestoreCase cases[] = {
        {"nothing saved", std::nullopt, "18"},
        {"saved 8 by an earlier version", 8, "18"},
        {"saved 0", 0, "18"},
        {"saved 3", 3, "3"},
    };
    for (const RestoreCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.settings.setBool(kDidHideSystemBattery, true);
        if (c.saved) rig.settings.setInteger(kSavedSystemBatteryMenuValue, *c.saved);

        rig.hider->restoreIfNeeded();

        EXPECT_EQ(rig.recorder.calls(), concat({restoreWrites(c.written), restart()}));
        EXPECT_EQ(rig.settings.boolValue(kDidHideSystemBattery), false);
    }
}

TEST(SystemBatteryMenuHider, RestoreOwesNothingUnlessItHid) {
    Rig rig;
    rig.settings.setInteger(kSavedSystemBatteryMenuValue, 3);
    rig.hider->restoreIfNeeded();
    rig.settings.setBool(kDidHideSystemBattery, false);
    rig.hider->restoreIfNeeded();
    EXPECT_TRUE(rig.recorder.calls().empty());
}

TEST(SystemBatteryMenuHider, TheFeatureSwitchHidesEnforcesEvery45sAndRestores) {
    Rig rig("3\n");
    rig.hider->setEnabled(true);
    EXPECT_EQ(rig.recorder.calls(), concat({readCall(), hideWrites(), restart()}));
    EXPECT_TRUE(rig.hider->isEnforcing());
    EXPECT_EQ(rig.timer->interval(), 45.0);

    // The system still shows 8: the tick rewrites but restarts nothing.
    rig.canned.setOutput(kDefaults, "8\n");
    rig.recorder.clear();
    rig.timer->tick();
    EXPECT_EQ(rig.recorder.calls(), concat({readCall(), hideWrites()}));

    // The system turned its item back on: the tick hides and restarts.
    rig.canned.setOutput(kDefaults, "18\n");
    rig.recorder.clear();
    rig.timer->tick();
    EXPECT_EQ(rig.recorder.calls(), concat({readCall(), hideWrites(), restart()}));
    EXPECT_EQ(rig.settings.integer(kSavedSystemBatteryMenuValue), 18);

    rig.recorder.clear();
    rig.hider->setEnabled(false);
    EXPECT_EQ(rig.recorder.calls(), concat({restoreWrites("18"), restart()}));
    EXPECT_FALSE(rig.hider->isEnforcing());
    EXPECT_EQ(rig.timer->interval(), 0.0);
    EXPECT_EQ(rig.settings.boolValue(kReplaceSystemBattery), false);
    EXPECT_EQ(rig.settings.boolValue(kDidHideSystemBattery), false);
}

void writeScript(const QString& path, const QString& body) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(body.toUtf8());
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

// Debian has programs named `defaults` and `killall`; the application must start neither.
TEST(ApplicationBatteryMenuHider, RecordsTheArgumentListsAndStartsNoTool) {
    QTemporaryDir dir;
    const QString bin = dir.path() + "/bin";
    const QString marker = dir.path() + "/ran";
    ASSERT_TRUE(QDir().mkpath(bin));
    for (const char* tool : {"defaults", "killall"})
        writeScript(bin + "/" + tool, QString("#!/bin/sh\necho %1 \"$@\" >> '%2'\necho 3\n")
                                          .arg(QString::fromUtf8(tool), marker));
    // The fake tools work when something does start them.
    ASSERT_EQ(QProcess::execute(bin + "/killall", {"ControlCenter"}), 0);
    ASSERT_TRUE(QFile::remove(marker));

    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ":" + oldPath);
    UserDefaults settings((dir.path() + "/defaults.json").toStdString());
    {
        auto hider = makeApplicationBatteryMenuHider(settings, bin.toStdString());
        hider->setEnabled(true);
        hider->hideIfNeeded(false);
        hider->setEnabled(false);

        const std::string defaults = (bin + "/defaults").toStdString();
        const std::string killall = (bin + "/killall").toStdString();
        auto* recorder = dynamic_cast<RecordingCommandRunner*>(&hider->runner());
        ASSERT_NE(recorder, nullptr);
        // Reading finds nothing, so both passes restart and the restore writes 18.
        EXPECT_EQ(recorder->calls(),
                  concat({readCall(defaults), hideWrites(defaults), restart(killall),
                          readCall(defaults), hideWrites(defaults), restart(killall),
                          restoreWrites("18", defaults), restart(killall)}));
    }
    qputenv("PATH", oldPath);
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_EQ(settings.integer(kSavedSystemBatteryMenuValue), 18);
}

// Enforcement runs for the life of the application; what it records stays bounded.
TEST(ApplicationBatteryMenuHider, KeepsOnlyTheLatestCalls) {
    QTemporaryDir dir;
    UserDefaults settings((dir.path() + "/defaults.json").toStdString());
    auto hider = makeApplicationBatteryMenuHider(settings);
    for (int i = 0; i < 100; ++i) hider->hideIfNeeded(false);
    hider->restoreIfNeeded();
    const Calls& calls = dynamic_cast<RecordingCommandRunner&>(hider->runner()).calls();
    ASSERT_EQ(calls.size(), kApplicationRecordedCalls);
    const Calls last = concat({restoreWrites("18"), restart()});
    EXPECT_EQ(Calls(calls.end() - last.size(), calls.end()), last);
}

}  // namespace
}  // namespace tarvel

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <nlohmann/json.hpp>

#include "charge/ChargeFixtures.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

using test::chargeBehaviour;
using test::FixtureTree;
using test::runTarvelctl;
using test::writeLaptop;
using test::writeThresholds;
using ::testing::HasSubstr;
using ::testing::Not;

// tarvelctl with settings and data in a throwaway folder, never the user's own.
class ChargeCommandTest : public ::testing::Test {
protected:
    QTemporaryDir config;
    std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", config.path().toStdString()},
                                           {"XDG_DATA_HOME", config.path().toStdString()}};

    void writeSettings(const char* json) {
        ASSERT_TRUE(QDir().mkpath(config.path() + "/tarvel"));
        QFile settings(config.path() + "/tarvel/defaults.json");
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(json);
    }

    nlohmann::json statusJson(const std::string& root, const std::string& verb = "") {
        std::vector<std::string> args{"charge", "--json", "--sysfs-root", root};
        if (!verb.empty()) args.insert(args.begin() + 1, verb);
        const auto r = runTarvelctl(args, env);
        EXPECT_LE(r.status, 1) << r.err;
        auto j = nlohmann::json::parse(r.out);
        return j;
    }
};

TEST_F(ChargeCommandTest, NoBatteryReportsTheUnavailableRow) {
    FixtureTree empty;
    const auto text = runTarvelctl({"charge", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(text.status, 0);
    EXPECT_THAT(text.out, HasSubstr("Backend: Unavailable (Charge control attribute not found)\n"));

    // Writing, or holding, without charge control fails at once.
    auto r = runTarvelctl({"charge", "set-mode", "auto", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Charge control unavailable (Charge control attribute not found)\n");
    r = runTarvelctl({"charge", "hold", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarvelctl charge hold: Charge control attribute not found\n");
}

// `charge` shows what the controller would do and writes nothing (a status bar may poll it);
// `charge apply` makes the same decision and writes it.
TEST_F(ChargeCommandTest, ViewIsReadOnlyAndApplyWritesTheDecision) {
    FixtureTree tree;
    writeLaptop(tree, 86, true, "Charging");
    auto j = statusJson(tree.root());
    EXPECT_EQ(j["wantedMode"], "inhibit");
    EXPECT_EQ(j["chargerMode"], "auto");
    EXPECT_EQ(chargeBehaviour(tree), "[auto] inhibit-charge force-discharge\n");  // untouched
    j = statusJson(tree.root(), "apply");
    EXPECT_EQ(j["chargerMode"], "inhibit");
    EXPECT_EQ(chargeBehaviour(tree), "inhibit-charge");
    const auto text = runTarvelctl({"charge", "--sysfs-root", tree.root()}, env);
    EXPECT_THAT(text.out, HasSubstr("Wanted mode: inhibit\nCharger mode: inhibit\n"));

    // The settings the application stores decide: a stored discharge override.
    writeSettings(
        R"({"tarvelpro.chargeLimit.discharge": true, "tarvelpro.chargeLimit.percent": 70})");
    writeLaptop(tree, 60, true, "Charging");
    statusJson(tree.root(), "apply");
    EXPECT_EQ(chargeBehaviour(tree), "force-discharge");

    // A battery that cannot discharge: the stored override is no override there.
    writeLaptop(tree, 60, true, "Charging", "[auto] inhibit-charge\n");
    j = statusJson(tree.root(), "apply");
    EXPECT_EQ(j["status"], "chargingToLimit");
    EXPECT_EQ(j["limitPercent"], 70);
    EXPECT_EQ(j["appModeLabel"], "Charging");
    EXPECT_EQ(chargeBehaviour(tree), "[auto] inhibit-charge\n");
}

TEST_F(ChargeCommandTest, SetModeWritesTheAttribute) {
    FixtureTree tree;
    writeLaptop(tree, 70, true, "Charging");
    const std::pair<std::string, std::string> modes[] = {
        {"inhibit", "inhibit-charge"}, {"force-discharge", "force-discharge"}, {"auto", "auto"}};
    for (const auto& [mode, written] : modes) {
        const auto r = runTarvelctl({"charge", "set-mode", mode, "--sysfs-root", tree.root()}, env);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "Charger mode: " + mode + "\n");
        EXPECT_EQ(chargeBehaviour(tree), written);
    }

    const std::vector<std::string> usageErrors[] = {
        {"charge", "set-mode", "full"},        {"charge", "set-mode"},
        {"charge", "hold", "--json"},          {"charge", "--limit", "80"},
        {"charge", "hold", "--limit", "lots"}, {"charge", "dance"}};
    for (const auto& bad : usageErrors) {
        const auto r = runTarvelctl(bad, env);
        EXPECT_EQ(r.status, 2) << bad.back();
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

// Every interface the kernel offers refuses a discharge without touching anything, holds the
// limit through `charge apply`, reads back, and goes back with `set-mode auto` (in a new
// process: what inhibit replaced was stored).
TEST_F(ChargeCommandTest, EveryInterfaceHoldsTheLimitAndGoesBack) {
    using Files = std::vector<std::pair<std::string, std::string>>;
    struct Row {
        const char* machine;
        Files files;  // beside a battery without charge_behaviour, at 90 % on the adapter
        const char* detail;
        Files held, back;
    };
    const std::string bat = "class/power_supply/BAT0/",
                      ideapad = "bus/platform/devices/VPC2004:00/conservation_mode",
                      samsung = "devices/platform/samsung/battery_life_extender",
                      sony = "devices/platform/sony-laptop/battery_care_limiter",
                      start = bat + "charge_start_threshold", stop = bat + "charge_stop_threshold",
                      types = bat + "charge_types", end = bat + "charge_control_end_threshold";
    // clang-format off
    for (const Row& row : {
        Row{"IdeaPad", {{ideapad, "0\n"}}, "ideapad_acpi: conservation_mode",
            {{ideapad, "1"}}, {{ideapad, "0"}}},
        Row{"Samsung", {{samsung, "0\n"}}, "samsung-laptop: battery_life_extender",
            {{samsung, "1"}}, {{samsung, "0"}}},
        Row{"Sony, 80 below the limit 85", {{sony, "0\n"}}, "sony-laptop: battery_care_limiter",
            {{sony, "80"}}, {{sony, "0"}}},
        Row{"older ThinkPad kernel", {{start, "95\n"}, {stop, "100\n"}},
            "BAT0: charge_start_threshold, charge_stop_threshold",
            {{start, "83"}, {stop, "85"}}, {{start, "95"}, {stop, "100"}}},
        Row{"Dell", {{types, "Trickle [Standard] Adaptive Custom\n"},
                     {bat + "charge_control_start_threshold", "50\n"}, {end, "100\n"}},
            "BAT0: charge_types, charge_control_start_threshold, charge_control_end_threshold",
            {{types, "Custom"}, {end, "85"}}, {{types, "Standard"}, {end, "100"}}},
        Row{"standard threshold beside a vendor switch", {{end, "100\n"}, {ideapad, "0\n"}},
            "BAT0: charge_control_end_threshold",
            {{end, "85"}, {ideapad, "0\n"}}, {{end, "100"}}},
    }) {
        // clang-format on
        SCOPED_TRACE(row.machine);
        QTemporaryDir data;  // the stored memory starts empty for each laptop
        env["XDG_DATA_HOME"] = data.path().toStdString();
        writeSettings(R"({"tarvelpro.chargeLimit.percent": 85})");
        FixtureTree tree;
        writeLaptop(tree, 90, true, "Charging", "");
        for (const auto& [path, text] : row.files) tree.write(path, text);
        auto expectFiles = [&](const Files& files) {
            for (const auto& [path, text] : files) EXPECT_EQ(tree.read(path), text) << path;
        };

        const auto r = runTarvelctl(
            {"charge", "set-mode", "force-discharge", "--sysfs-root", tree.root()}, env);
        EXPECT_EQ(r.status, 1);
        EXPECT_THAT(r.err, HasSubstr("Discharging on the adapter is not offered here"));
        expectFiles(row.files);

        const auto held = statusJson(tree.root(), "apply");
        EXPECT_EQ(held["chargerMode"], "inhibit");
        EXPECT_EQ(held["backendDetail"], row.detail);
        expectFiles(row.held);

        const auto back =
            runTarvelctl({"charge", "set-mode", "auto", "--sysfs-root", tree.root()}, env);
        EXPECT_EQ(back.status, 0) << back.err;
        expectFiles(row.back);
    }
}

// `charge hold --limit 85`: the limit is held, written again when another process hands
// charging back behind the hold's back, and let go once unplugged. (The threshold batteries'
// own rewrite after a firmware reset is ThresholdControllerTest's.)
TEST_F(ChargeCommandTest, HoldFollowsTheBatteryUntilTerminated) {
    FixtureTree tree;
    writeLaptop(tree, 90, true, "Charging");
    QProcess hold;
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env)
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    hold.setProcessEnvironment(environment);
    hold.start(TARVELCTL_PATH, {"charge", "hold", "--limit", "85", "--sysfs-root",
                                QString::fromStdString(tree.root())});
    std::string holdOut;
    const auto says = [&](const std::string& text) {  // reads the output until it says `text`
        return test::waitUntil(
            [&] {
                hold.waitForReadyRead(100);
                holdOut += hold.readAllStandardOutput().toStdString();
                return holdOut.find(text) != std::string::npos;
            },
            15000);
    };
    ASSERT_TRUE(says("Inhibiting charging · 85%")) << holdOut;
    EXPECT_EQ(chargeBehaviour(tree), "inhibit-charge");
    EXPECT_THAT(holdOut, HasSubstr("Holding 85% while the charger is connected"));
    // The first decision waited for the first battery reading.
    EXPECT_THAT(holdOut, Not(HasSubstr("No internal battery")));

    // The hold notices at its next evaluation and writes the limit again.
    const auto r = runTarvelctl({"charge", "set-mode", "auto", "--sysfs-root", tree.root()}, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(test::waitUntil([&] { return chargeBehaviour(tree) == "inhibit-charge"; }, 15000));

    // Unplugged: the store's next battery read and the controller's next tick release it.
    writeLaptop(tree, 90, false, "Discharging", "");
    ASSERT_TRUE(says("Charger not connected — ")) << holdOut;
    hold.terminate();
    ASSERT_TRUE(hold.waitForFinished(10000));
    holdOut += hold.readAllStandardOutput().toStdString();
    EXPECT_EQ(hold.exitCode(), 0) << hold.readAllStandardError().toStdString();
    EXPECT_THAT(holdOut, HasSubstr("Stopped; charger mode left as auto."));
    EXPECT_EQ(chargeBehaviour(tree), "auto");

    // --limit went through the setter: stored like the preferences window does, so the next
    // process reads it.
    EXPECT_EQ(statusJson(tree.root())["limitPercent"], 85);

    // A threshold left at another level reads as what it is, in both lines.
    FixtureTree asus;
    writeLaptop(asus, 90, true, "Charging", "");
    writeThresholds(asus, 85);
    writeSettings(R"({"tarvelpro.chargeLimit.enabled": false})");
    const auto view = runTarvelctl({"charge", "--sysfs-root", asus.root()}, env);
    EXPECT_THAT(view.out, HasSubstr("Charger: end threshold 85 %\n"));
    EXPECT_THAT(view.out, HasSubstr("Charger mode: end threshold 85 %\n"));
    EXPECT_THAT(view.out, HasSubstr("Backend: Kernel charge control (sysfs) — BAT0: "
                                    "charge_control_end_threshold\n"));
}

}  // namespace
}  // namespace tarvel

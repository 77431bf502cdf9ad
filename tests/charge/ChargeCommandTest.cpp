#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <nlohmann/json.hpp>

#include "charge/ChargeFixtures.h"

namespace tarvel {
namespace {

using test::chargeBehaviour;
using test::FixtureTree;
using test::runTarvelctl;
using test::writeLaptop;

// tarvelctl with settings in a throwaway folder, never the user's own.
class ChargeCommandTest : public ::testing::Test {
protected:
    QTemporaryDir config;
    std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", config.path().toStdString()}};

    nlohmann::json statusJson(const std::string& root) {
        const auto r = runTarvelctl({"charge", "--json", "--sysfs-root", root}, env);
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }
};

TEST_F(ChargeCommandTest, NoBatteryReportsTheUnavailableRow) {
    FixtureTree empty;
    const auto j = statusJson(empty.root());
    EXPECT_EQ(j["status"], "unsupported");
    EXPECT_EQ(j["statusLine"], "Charge control unavailable");
    EXPECT_EQ(j["appModeLabel"], "Automatic");
    EXPECT_EQ(j["modeDescription"], "Automatic");
    EXPECT_EQ(j["backendName"], "Unavailable");
    EXPECT_EQ(j["chargerError"], "AppleSMC not found");
    EXPECT_TRUE(j["lastError"].is_null());
    EXPECT_EQ(j["isEnabled"], true);
    EXPECT_EQ(j["limitPercent"], 80);
    EXPECT_EQ(j["forceFullCharge"], false);
    EXPECT_EQ(j["forceDischarge"], false);
    EXPECT_EQ(j["detail"],
              "AppleSMC not available. Charge control needs SMC access (often requires a "
              "privileged helper on "
              "locked-down Macs).");

    const auto text = runTarvelctl({"charge", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("Charge control: Charge control unavailable\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("Backend: Unavailable (AppleSMC not found)\n"), std::string::npos)
        << text.out;
}

TEST_F(ChargeCommandTest, OneEvaluationFollowsTheLiveBattery) {
    FixtureTree tree;
    writeLaptop(tree, 86, true, "Charging");
    auto j = statusJson(tree.root());
    EXPECT_EQ(j["status"], "holding");
    EXPECT_EQ(j["statusLine"], "Inhibiting charging · 80%");
    EXPECT_EQ(j["detail"], "At 80% — inhibit requested (IsCharging may lag briefly).");
    EXPECT_EQ(j["backendName"], "AppleSMC (CH0B/CH0C/CH0I)");
    EXPECT_EQ(chargeBehaviour(tree), "inhibit-charge");

    writeLaptop(tree, 60, true, "Charging");
    j = statusJson(tree.root());
    EXPECT_EQ(j["status"], "chargingToLimit");
    EXPECT_EQ(j["detail"], "Charging toward 80%.");
    EXPECT_EQ(chargeBehaviour(tree), "auto");

    writeLaptop(tree, 60, false, "Discharging");
    j = statusJson(tree.root());
    EXPECT_EQ(j["status"], "onBattery");
    EXPECT_EQ(j["appModeLabel"], "Charger not connected");

    // The settings the application stores decide: a stored discharge override.
    ASSERT_TRUE(QDir().mkpath(config.path() + "/tarvel"));
    QFile settings(config.path() + "/tarvel/defaults.json");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(
        R"({"tarvelpro.chargeLimit.discharge": true, "tarvelpro.chargeLimit.percent": 70})");
    settings.close();
    writeLaptop(tree, 60, true, "Charging");
    j = statusJson(tree.root());
    EXPECT_EQ(j["status"], "discharging");
    EXPECT_EQ(j["forceDischarge"], true);
    EXPECT_EQ(j["limitPercent"], 70);
    EXPECT_EQ(chargeBehaviour(tree), "force-discharge");

    // A driver refusing the mode: the failure is reported and the charger is back on auto.
    writeLaptop(tree, 60, true, "Charging", "[auto] inhibit-charge\n");
    j = statusJson(tree.root());
    EXPECT_EQ(j["status"], "discharging");
    EXPECT_EQ(j["lastError"], "SMC error 0/137 for key");
    EXPECT_EQ(chargeBehaviour(tree), "auto");
}

TEST_F(ChargeCommandTest, SetModeWritesTheAttribute) {
    FixtureTree tree;
    writeLaptop(tree, 70, true, "Charging");
    for (const auto& [mode, written] :
         std::vector<std::pair<std::string, std::string>>{{"inhibit", "inhibit-charge"},
                                                          {"force-discharge", "force-discharge"},
                                                          {"auto", "auto"}}) {
        const auto r = runTarvelctl({"charge", "set-mode", mode, "--sysfs-root", tree.root()}, env);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "Charger mode: " + mode + "\n");
        EXPECT_EQ(chargeBehaviour(tree), written);
    }

    writeLaptop(tree, 70, true, "Charging", "[inhibit-charge] auto\n");
    auto r =
        runTarvelctl({"charge", "set-mode", "force-discharge", "--sysfs-root", tree.root()}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "SMC error 0/137 for key\n");
    EXPECT_EQ(chargeBehaviour(tree), "auto");

    FixtureTree empty;
    r = runTarvelctl({"charge", "set-mode", "auto", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "SMC unavailable (AppleSMC not found)\n");

    for (const auto& bad :
         std::vector<std::vector<std::string>>{{"charge", "set-mode", "full"},
                                               {"charge", "set-mode"},
                                               {"charge", "hold", "--json"},
                                               {"charge", "--limit", "80"},
                                               {"charge", "hold", "--limit", "lots"},
                                               {"charge", "dance"}}) {
        r = runTarvelctl(bad, env);
        EXPECT_EQ(r.status, 2) << bad.back();
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

// Reads the process's standard output until `text` shows up or the time runs out.
bool waitForOutput(QProcess& p, std::string& seen, const std::string& text, int ms = 15000) {
    QElapsedTimer clock;
    clock.start();
    while (seen.find(text) == std::string::npos) {
        if (clock.elapsed() > ms || p.state() == QProcess::NotRunning) return false;
        p.waitForReadyRead(200);
        seen += p.readAllStandardOutput().toStdString();
    }
    return true;
}

TEST_F(ChargeCommandTest, HoldFollowsTheBatteryUntilTerminated) {
    FixtureTree tree;
    writeLaptop(tree, 90, true, "Charging");
    QProcess p;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.path());
    p.setProcessEnvironment(environment);
    p.start(TARVELCTL_PATH, {"charge", "hold", "--limit", "85", "--sysfs-root",
                             QString::fromStdString(tree.root())});
    ASSERT_TRUE(p.waitForStarted());

    std::string out;
    ASSERT_TRUE(waitForOutput(p, out, "Inhibiting charging · 85%")) << out;
    EXPECT_EQ(chargeBehaviour(tree), "inhibit-charge");
    EXPECT_NE(out.find("Holding 85% while the charger is connected"), std::string::npos) << out;

    // Unplugged: the store's next battery read and the controller's next tick release it.
    writeLaptop(tree, 90, false, "Discharging", "");
    ASSERT_TRUE(waitForOutput(p, out, "Charger not connected — ")) << out;
    EXPECT_EQ(chargeBehaviour(tree), "auto");

    p.terminate();  // SIGTERM
    ASSERT_TRUE(p.waitForFinished(10000));
    out += p.readAllStandardOutput().toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_NE(out.find("Stopped; charger mode left as auto."), std::string::npos) << out;

    // --limit went through the setter: clamped and stored like the preferences window does.
    QFile settings(config.path() + "/tarvel/defaults.json");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        nlohmann::json::parse(settings.readAll().toStdString())["tarvelpro.chargeLimit.percent"],
        85);
}

TEST_F(ChargeCommandTest, HoldWithoutChargeControlStopsAtOnce) {
    FixtureTree empty;
    const auto r = runTarvelctl({"charge", "hold", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarvelctl charge hold: AppleSMC not found\n");
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <nlohmann/json.hpp>

#include "charge/ChargeFixtures.h"

namespace tarvel {
namespace {

using test::chargeBehaviour;
using test::FixtureTree;
using test::runTarvelctl;
using test::threshold;
using test::writeLaptop;
using test::writeThresholds;

// tarvelctl with settings in a throwaway folder, never the user's own.
class ChargeCommandTest : public ::testing::Test {
protected:
    QTemporaryDir config;
    std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", config.path().toStdString()}};

    nlohmann::json statusJson(const std::string& root, const std::string& verb = "") {
        std::vector<std::string> args{"charge"};
        if (!verb.empty()) args.push_back(verb);
        for (const char* a : {"--json", "--sysfs-root"}) args.push_back(a);
        args.push_back(root);
        const auto r = runTarvelctl(args, env);
        EXPECT_LE(r.status, 1) << r.err;
        return nlohmann::json::parse(r.out);
    }
};

TEST_F(ChargeCommandTest, NoBatteryReportsTheUnavailableRow) {
    FixtureTree empty;
    const auto j = statusJson(empty.root());
    EXPECT_EQ(j["status"], "unsupported");
    EXPECT_EQ(j["chargerError"], "AppleSMC not found");
    EXPECT_EQ(j["limitPercent"], 80);

    const auto text = runTarvelctl({"charge", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("Backend: Unavailable (AppleSMC not found)\n"), std::string::npos)
        << text.out;

    // Writing, or holding, without charge control fails at once.
    auto r = runTarvelctl({"charge", "set-mode", "auto", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "SMC unavailable (AppleSMC not found)\n");
    r = runTarvelctl({"charge", "hold", "--sysfs-root", empty.root()}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarvelctl charge hold: AppleSMC not found\n");
}

// `charge` shows what the controller would do and writes nothing (a status bar may poll it);
// `charge apply` makes the same decision and writes it.
TEST_F(ChargeCommandTest, ViewIsReadOnlyAndApplyWritesTheDecision) {
    FixtureTree tree;
    struct Row {
        int level;
        bool onAC;
        const char* status;
        const char* wanted;   // wantedMode
        const char* written;  // the attribute after apply; null: left as it was
    };
    for (const Row& row : {Row{86, true, "holding", "inhibit", "inhibit-charge"},
                           Row{60, true, "chargingToLimit", "auto", nullptr},
                           Row{60, false, "onBattery", "auto", nullptr}}) {
        SCOPED_TRACE(row.status);
        writeLaptop(tree, row.level, row.onAC, row.onAC ? "Charging" : "Discharging");
        const std::string before = chargeBehaviour(tree);
        const auto view = statusJson(tree.root());
        EXPECT_EQ(view["status"], row.status);
        EXPECT_EQ(view["wantedMode"], row.wanted);
        EXPECT_EQ(view["chargerMode"], "auto");
        EXPECT_EQ(chargeBehaviour(tree), before);  // untouched

        const auto applied = statusJson(tree.root(), "apply");
        EXPECT_EQ(applied["status"], row.status);
        EXPECT_EQ(chargeBehaviour(tree), row.written ? row.written : before);
        EXPECT_EQ(applied["chargerMode"], row.wanted);
    }
    writeLaptop(tree, 86, true, "Charging");
    auto j = statusJson(tree.root(), "apply");
    EXPECT_EQ(j["statusLine"], "Inhibiting charging · 80%");
    const auto text = runTarvelctl({"charge", "--sysfs-root", tree.root()}, env);
    EXPECT_NE(text.out.find("Wanted mode: inhibit\nCharger mode: inhibit\n"), std::string::npos)
        << text.out;

    // The settings the application stores decide: a stored discharge override.
    ASSERT_TRUE(QDir().mkpath(config.path() + "/tarvel"));
    QFile settings(config.path() + "/tarvel/defaults.json");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(
        R"({"tarvelpro.chargeLimit.discharge": true, "tarvelpro.chargeLimit.percent": 70})");
    settings.close();
    writeLaptop(tree, 60, true, "Charging");
    j = statusJson(tree.root(), "apply");
    EXPECT_EQ(j["status"], "discharging");
    EXPECT_EQ(j["limitPercent"], 70);
    EXPECT_EQ(chargeBehaviour(tree), "force-discharge");

    // A driver refusing the mode: the failure is reported (exit 1) and the charger is back on
    // auto.
    writeLaptop(tree, 60, true, "Charging", "[auto] inhibit-charge\n");
    const auto refused =
        runTarvelctl({"charge", "apply", "--json", "--sysfs-root", tree.root()}, env);
    EXPECT_EQ(refused.status, 1);
    j = nlohmann::json::parse(refused.out);
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
    // The first decision waited for the first battery reading.
    EXPECT_EQ(out.find("No internal battery"), std::string::npos) << out;

    // Another process hands charging back to the system behind the hold's back: the hold
    // notices at its next evaluation and inhibits again.
    const auto other = runTarvelctl({"charge", "set-mode", "auto", "--sysfs-root", tree.root()});
    ASSERT_EQ(other.status, 0) << other.err;
    QElapsedTimer corrected;
    corrected.start();
    while (chargeBehaviour(tree) != "inhibit-charge" && corrected.elapsed() < 15000)
        QThread::msleep(100);
    EXPECT_EQ(chargeBehaviour(tree), "inhibit-charge");

    // Unplugged: the store's next battery read and the controller's next tick release it.
    writeLaptop(tree, 90, false, "Discharging", "");
    ASSERT_TRUE(waitForOutput(p, out, "Charger not connected — ")) << out;
    EXPECT_EQ(chargeBehaviour(tree), "auto");

    p.terminate();  // SIGTERM
    ASSERT_TRUE(p.waitForFinished(10000));
    out += p.readAllStandardOutput().toStdString();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_NE(out.find("Stopped; charger mode left as auto."), std::string::npos) << out;

    // --limit went through the setter: clamped and stored like the preferences window does.
    QFile settings(config.path() + "/tarvel/defaults.json");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        nlohmann::json::parse(settings.readAll().toStdString())["tarvelpro.chargeLimit.percent"],
        85);
}

// The same hold on an ASUS-like battery that only has an end threshold: the threshold is the
// limit while holding, is written again after a firmware reset, and is 100 off the adapter.
TEST_F(ChargeCommandTest, HoldDrivesAnEndThreshold) {
    FixtureTree tree;
    writeLaptop(tree, 90, true, "Charging", "");
    writeThresholds(tree, 100);
    const auto view = runTarvelctl({"charge", "--sysfs-root", tree.root()}, env);
    EXPECT_NE(view.out.find("Backend: AppleSMC (CH0B/CH0C/CH0I) — BAT0: "
                            "charge_control_end_threshold\n"),
              std::string::npos)
        << view.out;
    EXPECT_EQ(threshold(tree, "end"), "100");  // viewing writes nothing

    QProcess p;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.path());
    p.setProcessEnvironment(environment);
    p.start(TARVELCTL_PATH, {"charge", "hold", "--limit", "85", "--sysfs-root",
                             QString::fromStdString(tree.root())});
    ASSERT_TRUE(p.waitForStarted());
    std::string out;
    ASSERT_TRUE(waitForOutput(p, out, "Inhibiting charging · 85%")) << out;
    EXPECT_EQ(threshold(tree, "end"), "85");

    // The firmware puts the threshold back to 100 (as several do at boot): the next
    // evaluation writes the limit again.
    tree.replace("class/power_supply/BAT0/charge_control_end_threshold", "100\n");
    QElapsedTimer corrected;
    corrected.start();
    while (threshold(tree, "end") != "85" && corrected.elapsed() < 15000) QThread::msleep(100);
    EXPECT_EQ(threshold(tree, "end"), "85");

    writeLaptop(tree, 90, false, "Discharging", "");
    ASSERT_TRUE(waitForOutput(p, out, "Charger not connected — ")) << out;
    EXPECT_EQ(threshold(tree, "end"), "100");

    p.terminate();
    ASSERT_TRUE(p.waitForFinished(10000));
    out += p.readAllStandardOutput().toStdString();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_NE(out.find("Stopped; charger mode left as auto."), std::string::npos) << out;

    // The writing verb with management off restores 100 from a threshold left behind.
    writeLaptop(tree, 90, true, "Charging", "");
    writeThresholds(tree, 85);
    ASSERT_TRUE(QDir().mkpath(config.path() + "/tarvel"));
    QFile settings(config.path() + "/tarvel/defaults.json");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(R"({"tarvelpro.chargeLimit.enabled": false})");
    settings.close();
    const auto applied = statusJson(tree.root(), "apply");
    EXPECT_EQ(applied["status"], "off");
    EXPECT_EQ(applied["backendDetail"], "BAT0: charge_control_end_threshold");
    EXPECT_EQ(threshold(tree, "end"), "100");
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <nlohmann/json.hpp>
#include <regex>

#include "support/PowerSupplyFixtures.h"

using namespace tarvel::test;
using nlohmann::json;

// The icon command describes the status item of a state given on the command line, else of the
// machine it reads; bad usage exits with status 2 and says why.
TEST(IconCommand, DescribesAGivenStateOrTheMachineAndRejectsBadUsage) {
    FixtureTree charging, unreadable;
    chargingLaptop(charging);
    unreadableLevelLaptop(unreadable);
    const std::string kBadUsage = "tarvelctl icon: ";
    const struct {
        std::vector<std::string> args;
        std::string expected;  // in the output, or in the error for bad usage
    } cases[] = {
        {{"--level", "99", "--on-ac"},
         "Text: 99% AC\nSymbol: battery.100.bolt\nTint: discharging\n"},
        {{"--level", "21", "--low-power", "--minutes", "60"},
         "Text: 21% 1h 00m\nSymbol: battery.25\nTint: lowPower\n"},
        {{"--mode", "watts", "--level", "80", "--watts", "9.96"},
         "Text: 80% 10.0W\nSymbol: battery.75\nTint: discharging\n"},
        {{"--no-battery"}, "Text: AC\nSymbol: powerplug.fill\nTint: discharging\n"},
        {{"--sysfs-root", charging.root()}, "Symbol: battery.50.bolt\nTint: charging\n"},
        {{"--sysfs-root", unreadable.root()}, "Text: —\nSymbol: battery.unknown\nTint: unknown\n"},
        {{"--mode", "kilowatts"}, kBadUsage},
        {{"--level", "many"}, kBadUsage},
        {{"--scale", "0"}, kBadUsage},
        {{"--level", "50", "--sysfs-root", "/tmp"}, kBadUsage},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"icon"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(args[1]);
        const auto r = runTarvelctl(args);
        ASSERT_EQ(r.status, c.expected == kBadUsage ? 2 : 0) << r.err;
        EXPECT_NE((r.status == 0 ? r.out : r.err).find(c.expected), std::string::npos)
            << r.out << r.err;
    }
}

TEST(IconCommand, WritesThePngAtTheScaleAsked) {
    FixtureTree t;
    const std::string png = t.root() + "/icon.png";
    const auto r =
        runTarvelctl({"icon", "--level", "62", "--charging", "--scale", "2", "--png", png});
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("Image: (\\d+)x20 \\((\\d+)x40 pixels")))
        << r.out;
    EXPECT_EQ(std::stoi(m[2]), 2 * std::stoi(m[1]));
    const QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), std::stoi(m[2]));
    EXPECT_EQ(image.height(), 40);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
}

namespace {

json nextLine(QProcess& p) {
    while (!p.canReadLine())
        if (!p.waitForReadyRead(10000)) return json();
    return json::parse(p.readLine().toStdString());
}

}  // namespace

// In watts mode (read from the user's settings) the text shows the package watts.
TEST(WatchWaybar, PrintsTheStatusItemWhenItChanges) {
    FixtureTree t;
    dischargingEnergyLaptop(t);
    t.write("config/tarvel/defaults.json", R"({"tarvelpro.menuBarDisplayMode": "watts"})");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(t.root() + "/config"));
    QProcess watch;
    watch.setProcessEnvironment(env);
    watch.start(TARVELCTL_PATH, {"watch", "--waybar", "--no-log", "--sysfs-root",
                                 QString::fromStdString(t.root())});
    const json first = nextLine(watch);
    ASSERT_TRUE(first.is_object()) << watch.readAllStandardError().toStdString();
    EXPECT_EQ(first["class"], "discharging");
    EXPECT_EQ(first["percentage"], 60);
    EXPECT_TRUE(
        std::regex_match(first["text"].get<std::string>(), std::regex("60% (\\d+|\\d\\.\\d)W")))
        << first;
    EXPECT_EQ(first["tooltip"].get<std::string>().rfind("60% · ", 0), 0u) << first;

    t.replace("class/power_supply/BAT1/capacity", "15\n");
    json line = json::object();
    for (int i = 0; i < 5 && line.value("percentage", 0) != 15; ++i) line = nextLine(watch);
    EXPECT_EQ(line["percentage"], 15);
    EXPECT_EQ(line["class"], "critical");
    // A level that can no longer be read is unknown: no percentage, never critical.
    for (const char* name : {"capacity", "energy_now", "energy_full", "energy_full_design"})
        t.remove(std::string("class/power_supply/BAT1/") + name);
    for (int i = 0; i < 5 && line.value("class", "") != "unknown"; ++i) line = nextLine(watch);
    EXPECT_EQ(line["class"], "unknown");
    EXPECT_FALSE(line.contains("percentage")) << line;
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(5000));
    EXPECT_EQ(watch.exitCode(), 0);
}

#include <gtest/gtest.h>

#include "drain/DrainAlertMonitor.h"
#include "support/FixtureTree.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

class RecordingCenter final : public NotificationCenter {
public:
    int authorizationRequests = 0;
    std::vector<LocalNotification> posted;
    void requestAuthorization() override { ++authorizationRequests; }
    void add(const LocalNotification& n) override { posted.push_back(n); }
};

class DrainAlertTest : public ::testing::Test {
protected:
    test::FixtureTree dir;
    ManualClock clock{1'772'373'909.75};
    UserDefaults defaults{dir.root() + "/defaults.json"};
    RecordingCenter center;
    std::optional<std::string> top;
    DrainAlertMonitor monitor{clock, defaults, center, [this] { return top; }};

    // Level readings every `step` seconds.
    void feed(std::initializer_list<int> levels, double step = 60, bool onBattery = true) {
        for (int level : levels) {
            monitor.evaluate(level, onBattery);
            clock.advance(step);
        }
    }
};

// The defaults (off, 5 % in 15 minutes) show in the alert tests below.
TEST_F(DrainAlertTest, SettingsAreClampedOnReadAndWrite) {
    defaults.setReal(DrainAlertMonitor::kDropPercentKey, 7.0);  // not an integer: the default
    EXPECT_EQ(monitor.dropPercent(), 5);
    for (const auto& [stored, drop, window] :
         std::vector<std::tuple<int, int, int>>{{1, 2, 5}, {50, 30, 60}}) {
        defaults.setInteger(DrainAlertMonitor::kDropPercentKey, stored);
        defaults.setInteger(DrainAlertMonitor::kWindowMinutesKey, stored * 2);
        EXPECT_EQ(monitor.dropPercent(), drop) << stored;
        EXPECT_EQ(monitor.windowMinutes(), window) << stored;
    }

    monitor.setDropPercent(99);
    EXPECT_EQ(defaults.integer(DrainAlertMonitor::kDropPercentKey), 30);
    monitor.setWindowMinutes(0);
    EXPECT_EQ(defaults.integer(DrainAlertMonitor::kWindowMinutesKey), 5);

    monitor.setEnabled(true);
    EXPECT_EQ(center.authorizationRequests, 1);
    monitor.setEnabled(false);
    EXPECT_EQ(center.authorizationRequests, 1);
    EXPECT_EQ(defaults.boolValue(DrainAlertMonitor::kEnabledKey), false);
}

TEST_F(DrainAlertTest, AFastDropNotifiesOnceThenCoolsDownForThirtyMinutes) {
    monitor.setEnabled(true);
    top = "Xcode";
    monitor.evaluate(80, true);
    clock.advance(14 * 60);  // older than 0.85 × 15 min
    monitor.evaluate(75, true);
    ASSERT_EQ(center.posted.size(), 1u);
    // Its identifier's shape shows on the desktop bus (NotificationBusTest).
    EXPECT_EQ(center.posted[0].body, "Battery dropped 5% in ~15 min. Top energy: Xcode.");
    EXPECT_EQ(defaults.date(DrainAlertMonitor::kLastFireKey), clock.now());

    // Ten minutes later, another 5 points: cool-down.
    clock.advance(10 * 60);
    monitor.evaluate(70, true);
    EXPECT_EQ(center.posted.size(), 1u);
    clock.advance(6 * 60);
    monitor.evaluate(70, true);
    EXPECT_EQ(center.posted.size(), 1u);
    // 31 minutes after the first: notifies again, without a top process this time.
    top.reset();
    clock.advance(15 * 60);
    monitor.evaluate(64, true);
    ASSERT_EQ(center.posted.size(), 2u);
    EXPECT_EQ(center.posted[1].body, "Battery dropped 6% in ~15 min while on battery.");
}

TEST_F(DrainAlertTest, NoAlertOffBatteryWhenDisabledOrWhileRising) {
    feed({80, 79, 78, 77, 76, 75});
    EXPECT_TRUE(center.posted.empty());  // disabled
    EXPECT_EQ(monitor.levelTrail().size(), 6u);

    monitor.setEnabled(true);
    feed({74, 70}, 60, false);  // charging or on the adapter: trail only
    EXPECT_TRUE(center.posted.empty());
    EXPECT_EQ(monitor.levelTrail().size(), 8u);

    clock.advance(3600);  // the readings above leave the trail
    feed({40, 45, 50, 60}, 300);
    EXPECT_TRUE(center.posted.empty());
}

// The reference is the first entry at least 0.85 × the window old, else the oldest; entries
// older than window + 5 minutes leave the trail. Each row starts a fresh monitor.
TEST_F(DrainAlertTest, ReferenceIsTheFirstOldEnoughEntryOrTheOldestAndOldEntriesExpire) {
    struct Row {
        const char* what;
        int window;
        std::vector<std::pair<double, int>> readings;  // (seconds after the last, level)
        std::vector<std::string> bodies;               // the alerts posted
        double lastFire = 0;  // seconds from now of a stored last alert; 0: none
    };
    const std::string slow = "Battery dropped 5% in ~10 min while on battery.";
    for (const Row& row : std::vector<Row>{
             {"a sudden fall: the oldest is the reference",
              15,
              {{0, 90}, {150, 89}, {150, 85}},
              {"Battery dropped 5% in ~15 min while on battery."}},
             {"past window + 5 minutes an entry no longer counts", 15, {{0, 80}, {1260, 76}}, {}},
             {"the window setting shapes the reference and the text",
              10,
              {{0, 95}, {960, 92}, {540, 88}, {1, 87}},
              {slow}},
             {"past the window, within its margin, still the reference",
              10,
              {{0, 70}, {720, 68}, {60, 65}},
              {slow}},
             {"a last alert in the future blocks nothing", 10, {{0, 70}, {60, 65}}, {slow}, 86400},
         }) {
        SCOPED_TRACE(row.what);
        center.posted.clear();
        defaults.setInteger(DrainAlertMonitor::kWindowMinutesKey, row.window);
        defaults.setBool(DrainAlertMonitor::kEnabledKey, true);
        if (row.lastFire)
            defaults.setDate(DrainAlertMonitor::kLastFireKey, clock.now() + row.lastFire);
        else
            defaults.remove(DrainAlertMonitor::kLastFireKey);
        DrainAlertMonitor fresh(clock, defaults, center, [] { return std::nullopt; });
        for (const auto& [after, level] : row.readings) {
            clock.advance(after);
            fresh.evaluate(level, true);
        }
        std::vector<std::string> bodies;
        for (const auto& n : center.posted) bodies.push_back(n.body);
        EXPECT_EQ(bodies, row.bodies);
        if (row.bodies.empty()) {
            EXPECT_EQ(fresh.levelTrail().size(), 1u);
        }
    }
}

// The preferences and other processes change the settings while the monitor runs.
TEST_F(DrainAlertTest, SettingsChangedElsewhereAreAnnouncedAndApplyAtTheNextEvaluation) {
    int dropChanges = 0, enabledChanges = 0;
    QObject::connect(&monitor, &DrainAlertMonitor::dropPercentChanged, [&] { ++dropChanges; });
    QObject::connect(&monitor, &DrainAlertMonitor::isEnabledChanged, [&] { ++enabledChanges; });
    UserDefaults elsewhere(dir.root() + "/defaults.json");
    elsewhere.setInteger(DrainAlertMonitor::kDropPercentKey, 40);
    elsewhere.setBool(DrainAlertMonitor::kEnabledKey, true);
    ASSERT_TRUE(test::waitUntil([&] { return dropChanges == 1 && enabledChanges == 1; }));
    EXPECT_EQ(monitor.dropPercent(), 30);
    elsewhere.setInteger(DrainAlertMonitor::kDropPercentKey, 50);  // still 30 once clamped
    elsewhere.setInteger(DrainAlertMonitor::kDropPercentKey, 3);
    ASSERT_TRUE(test::waitUntil([&] { return dropChanges == 2; }));
    EXPECT_EQ(monitor.dropPercent(), 3);

    feed({90, 89}, 150);
    monitor.evaluate(87, true);
    EXPECT_EQ(center.posted.size(), 1u);
}

}  // namespace
}  // namespace tarvel

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

TEST_F(DrainAlertTest, SettingsHaveDefaultsAndAreClampedOnReadAndWrite) {
    EXPECT_FALSE(monitor.isEnabled());
    EXPECT_EQ(monitor.dropPercent(), 5);
    EXPECT_EQ(monitor.windowMinutes(), 15);
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
    const auto& n = center.posted[0];
    EXPECT_EQ(n.title, "Tarvel · drain alert");
    EXPECT_EQ(n.body, "Battery dropped 5% in ~15 min. Top energy: Xcode.");
    EXPECT_EQ(n.identifier, "tarvelpro.drain.1772374749");
    EXPECT_TRUE(n.defaultSound);
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

    DrainAlertMonitor rising(clock, defaults, center, [] { return std::nullopt; });
    for (int level : {40, 45, 50, 60}) {
        rising.evaluate(level, true);
        clock.advance(300);
    }
    EXPECT_TRUE(center.posted.empty());
}

TEST_F(DrainAlertTest, ReferenceIsTheFirstOldEnoughEntryOrTheOldestAndOldEntriesExpire) {
    monitor.setEnabled(true);
    // A sudden 5-point fall within 5 minutes: the oldest entry serves as reference.
    feed({90, 89}, 150);
    monitor.evaluate(85, true);
    ASSERT_EQ(center.posted.size(), 1u);
    EXPECT_EQ(center.posted[0].body, "Battery dropped 5% in ~15 min while on battery.");

    // Entries older than window + 5 minutes leave the trail and no longer count.
    defaults.remove(DrainAlertMonitor::kLastFireKey);
    DrainAlertMonitor fresh(clock, defaults, center, [] { return std::nullopt; });
    fresh.evaluate(80, true);
    clock.advance(21 * 60);
    fresh.evaluate(76, true);
    EXPECT_EQ(fresh.levelTrail().size(), 1u);
    EXPECT_EQ(center.posted.size(), 1u);

    // The window setting shapes both the reference and the text.
    monitor.setWindowMinutes(10);
    DrainAlertMonitor third(clock, defaults, center, [] { return std::nullopt; });
    third.evaluate(95, true);
    clock.advance(16 * 60);  // older than window + 5 minutes by the next reading
    third.evaluate(92, true);
    clock.advance(9 * 60);
    third.evaluate(88, true);  // 95 has expired: 4 points below 92
    EXPECT_EQ(center.posted.size(), 1u);
    clock.advance(1);
    third.evaluate(87, true);
    ASSERT_EQ(center.posted.size(), 2u);
    EXPECT_EQ(center.posted[1].body, "Battery dropped 5% in ~10 min while on battery.");

    // An entry older than the window but within window + 5 minutes is still the reference.
    defaults.remove(DrainAlertMonitor::kLastFireKey);
    DrainAlertMonitor fourth(clock, defaults, center, [] { return std::nullopt; });
    fourth.evaluate(70, true);
    clock.advance(12 * 60);
    fourth.evaluate(68, true);
    clock.advance(60);  // 70 is 13 minutes old: past the window, within its 5-minute margin
    fourth.evaluate(65, true);
    ASSERT_EQ(center.posted.size(), 3u);
    EXPECT_EQ(center.posted[2].body, "Battery dropped 5% in ~10 min while on battery.");

    // A last-fire time in the future does not block alerts.
    defaults.setDate(DrainAlertMonitor::kLastFireKey, clock.now() + 86400);
    clock.advance(1);
    third.evaluate(80, true);
    EXPECT_EQ(center.posted.size(), 4u);
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

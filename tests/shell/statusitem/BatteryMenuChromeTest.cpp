#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "base/Clock.h"
#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"
#include "shell/statusitem/BatteryMenuChrome.h"
#include "shell/statusitem/StatusDrawThrottle.h"

using namespace tarvel;

namespace {

StatusItemState onBattery(int level, std::optional<std::int64_t> minutes = std::nullopt,
                          int criticalPercent = kCriticalBatteryPercentDefault) {
    StatusItemState s;
    s.level = level;
    s.remainingMinutes = minutes;
    s.criticalPercent = criticalPercent;
    return s;
}

StatusItemState onAC(int level, bool charging) {
    StatusItemState s;
    s.level = level;
    s.onAC = true;
    s.charging = charging;
    return s;
}

StatusItemState noBattery() {
    StatusItemState s;
    s.present = false;
    s.onAC = true;
    return s;
}

StatusItemState withWatts(StatusItemState s, double watts) {
    s.mode = MenuBarDisplayMode::watts;
    s.packageWatts = watts;
    return s;
}

StatusItemState inLowPower(StatusItemState s) {
    s.lowPower = true;
    return s;
}

// A level no source could read: never 0 %, never critical.
StatusItemState unknownLevel(StatusItemState s) {
    s.level = 0;
    s.levelKnown = false;
    return s;
}

}  // namespace

TEST(BatteryMenuChrome, TextSymbolAndTintFollowTheBatteryState) {
    struct Case {
        const char* what;
        StatusItemState state;
        const char* text;
        const char* symbol;
        BatteryTint tint;
    };
    using enum BatteryTint;
    // The icon command's cases cover 99 % on AC, no battery, low power at 21 % and charging.
    const Case cases[] = {
        {"full on AC", onAC(100, false), "100% Full", "battery.100", discharging},
        {"on AC in low power", inLowPower(onAC(50, false)), "50% AC", "battery.50.bolt", lowPower},
        {"below critical", onBattery(19), "19%", "battery.0", critical},
        {"at critical", onBattery(20), "20%", "battery.25", critical},
        {"above critical", onBattery(21), "21%", "battery.25", discharging},
        {"critical wins over low power", inLowPower(onBattery(5)), "5%", "battery.0", critical},
        {"critical percent set to 30", onBattery(30, {}, 30), "30%", "battery.25", critical},
        {"plugged in, not charging, low", onAC(3, false), "3% AC", "battery.0.bolt", discharging},
        {"a bucket starts at 45", onBattery(45), "45%", "battery.50", discharging},
        {"a bucket starts at 70", onBattery(70), "70%", "battery.75", discharging},
        {"a bucket starts at 95", onBattery(95), "95%", "battery.100", discharging},
        {"no battery in low power", inLowPower(noBattery()), "AC", "powerplug.fill", discharging},
        {"no battery, watts", withWatts(noBattery(), 4.25), "4.2W", "powerplug.fill", discharging},
        {"unknown level", unknownLevel(onBattery(0, 65)), "— 1h 05m", "battery.unknown", unknown},
        {"unknown on AC", unknownLevel(onAC(0, false)), "— AC", "battery.unknown", unknown},
        {"unknown, watts", withWatts(unknownLevel(onBattery(0)), 12.4), "— 12W", "battery.unknown",
         unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(statusText(c.state), c.text);
        EXPECT_EQ(symbolOf(c.state), c.symbol);
        EXPECT_EQ(tintOf(c.state), c.tint);
    }
}

TEST(BatteryMenuChrome, TimeAndWattsTexts) {
    StatusItemState charging = onAC(62, true);
    charging.remainingMinutes = 125;
    const struct {
        StatusItemState state;
        const char* text;
    } cases[] = {
        {onBattery(50), "50%"},
        {onBattery(50, 0), "50%"},
        {onBattery(50, -5), "50%"},
        {onBattery(50, 1), "50% 1m"},
        {onBattery(50, 59), "50% 59m"},
        {onBattery(50, 65534), "50% 1092h 14m"},
        {onBattery(50, 65535), "50%"},
        {charging, "62% 2h 05m"},
        {withWatts(onBattery(80, 45), 12.4), "80% 12W"},
        {withWatts(onBattery(80), 10.0), "80% 10W"},
        {withWatts(onAC(100, false), 0.0), "100% 0.0W"},
    };
    for (const auto& c : cases) EXPECT_EQ(statusText(c.state), c.text);

    // The square tray icon's value: the package watts in watts mode, else the level.
    EXPECT_EQ(trayValueText(withWatts(onBattery(80), 12.4)), "12W");
    EXPECT_EQ(trayValueText(withWatts(noBattery(), 9.44)), "9.4W");
    EXPECT_EQ(trayValueText(onBattery(80)), "80");
    EXPECT_EQ(trayValueText(unknownLevel(onBattery(0))), "—");
    EXPECT_EQ(trayValueText(noBattery()), "");
}

TEST(BatteryMenuChrome, KeysChangeWithWhatIsShown) {
    StatusItemState s = onBattery(57, 200);
    s.packageWatts = 8.04;
    s.timeText = "3h 20m left";
    StatusItemState empty = s;
    empty.level = 0;
    EXPECT_NE(statusKey(unknownLevel(s)), statusKey(empty));

    StatusItemState nearby = s;
    nearby.packageWatts = 7.96;  // the same tenth
    EXPECT_EQ(statusKey(nearby), statusKey(s));

    const double odd[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (double w : odd) {
        StatusItemState n = s;
        n.packageWatts = w;
        const std::string key = statusKey(n);
        EXPECT_NE(key, statusKey(s)) << key;
        EXPECT_EQ(tooltipKey(n), tooltipKey(s));
    }
    StatusItemState absent = s;
    absent.remainingMinutes.reset();
    EXPECT_NE(tooltipKey(absent), tooltipKey(s));
    EXPECT_NE(statusKey(absent), statusKey(s));
}

TEST(BatteryMenuChrome, Tooltip) {
    StatusItemState s = onBattery(57, 200);
    s.timeText = "3:20 remaining";
    s.packageWatts = 8.04;
    EXPECT_EQ(tooltipText(s),
              "57% · 3:20 remaining · 8.0 W\nClick: menu · Double-click: full window");
    EXPECT_EQ(tooltipText(unknownLevel(s)),
              "— · 3:20 remaining · 8.0 W\nClick: menu · Double-click: full window");
    EXPECT_EQ(tooltipText(noBattery()),
              "Tarvel Pro · AC power\nClick: menu · Double-click: full window");
}

class StatusItemSettings : public ::testing::Test {
protected:
    QTemporaryDir dir;
    UserDefaults settings{(dir.path() + "/defaults.json").toStdString()};
    std::vector<QString> posted;
    QMetaObject::Connection listening =
        QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted,
                         [this](const QString& name) { posted.push_back(name); });
    ~StatusItemSettings() override { QObject::disconnect(listening); }
};

TEST_F(StatusItemSettings, DisplayModeReadsUnknownAsPercentAndPostsOnWrite) {
    EXPECT_EQ(MenuBarDisplay::current(settings), MenuBarDisplayMode::percent);
    settings.setString(kMenuBarDisplayModeKey, "kilowatts");
    EXPECT_EQ(MenuBarDisplay::current(settings), MenuBarDisplayMode::percent);
    EXPECT_TRUE(posted.empty());

    MenuBarDisplay::set(settings, MenuBarDisplayMode::watts);
    EXPECT_EQ(MenuBarDisplay::current(settings), MenuBarDisplayMode::watts);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0], tarvelMenuBarDisplayChanged);
}

TEST_F(StatusItemSettings, CriticalPercentIsAClampedInteger) {
    const struct {
        std::int64_t stored;
        int read;
    } reads[] = {{4, 5}, {33, 33}, {51, 50}, {-7, 5}, {1LL << 40, 50}};
    for (const auto& r : reads) {
        settings.setInteger(kCriticalBatteryPercentKey, r.stored);
        EXPECT_EQ(BatteryMenuChrome::criticalBatteryPercent(settings), r.read) << r.stored;
    }
    settings.setReal(kCriticalBatteryPercentKey, 30.5);
    EXPECT_EQ(BatteryMenuChrome::criticalBatteryPercent(settings), 20);
    settings.setString(kCriticalBatteryPercentKey, "30");
    EXPECT_EQ(BatteryMenuChrome::criticalBatteryPercent(settings), 20);
    EXPECT_TRUE(posted.empty());

    BatteryMenuChrome::setCriticalBatteryPercent(settings, 80);
    EXPECT_EQ(settings.integer(kCriticalBatteryPercentKey), 50);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0], tarvelMenuBarDisplayChanged);
}

namespace {

// Records the draws and the one deferred draw the throttle asks for, which the test fires itself.
struct Harness {
    ManualClock clock{1000.0};
    std::vector<double> draws;
    int scheduled = 0;
    double deferredAt = 0;
    std::function<void()> deferred;
    std::optional<StatusDrawThrottle> throttle;
    Harness() {
        throttle.emplace(
            clock, [this] { draws.push_back(clock.now()); },
            [this](double delay, std::function<void()> fire) {
                ++scheduled;
                deferredAt = clock.now() + delay;
                deferred = std::move(fire);
            });
    }
};

}  // namespace

// A request 0.2 s after the last draw draws at once; an earlier one draws once when the interval
// is over (at least 20 ms later), however many requests join it. An immediate draw meanwhile (a
// level change) does not cancel it: it brings the newest values. Once the throttle is gone it
// does nothing.
TEST(StatusDrawThrottle, DrawsAtOnceAfterTheIntervalElseOnceWhenItIsOver) {
    enum Meanwhile { nothing, immediateDraw, throttleGone };
    const struct {
        double sinceLastDraw;
        double delay;  // 0: draws at once
        Meanwhile meanwhile;
    } cases[] = {{0.2, 0, nothing},           {5.0, 0, nothing},       {0.0, 0.2, nothing},
                 {0.19, 0.02, nothing},       {0.199, 0.02, nothing},  {0.15, 0.05, nothing},
                 {0.05, 0.15, immediateDraw}, {0.1, 0.1, throttleGone}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sinceLastDraw);
        Harness h;
        h.throttle->noteImmediateDraw();  // the last draw, at 1000.0
        h.clock.set(1000.0 + c.sinceLastDraw);
        h.throttle->request();
        if (c.delay == 0) {
            EXPECT_EQ(h.draws, std::vector<double>{h.clock.now()});
            EXPECT_EQ(h.scheduled, 0);
            continue;
        }
        h.throttle->request();
        EXPECT_TRUE(h.draws.empty());
        ASSERT_EQ(h.scheduled, 1);
        EXPECT_NEAR(h.deferredAt - h.clock.now(), c.delay, 1e-9);
        if (c.meanwhile == immediateDraw) {
            h.throttle->noteImmediateDraw();
            EXPECT_FALSE(h.throttle->pending());
        }
        if (c.meanwhile == throttleGone) h.throttle.reset();
        h.clock.set(h.deferredAt);
        h.deferred();
        if (c.meanwhile == throttleGone) {
            EXPECT_TRUE(h.draws.empty());
            continue;
        }
        EXPECT_EQ(h.draws, std::vector<double>{h.deferredAt});
        EXPECT_EQ(h.throttle->lastDrawAt(), h.deferredAt);
        EXPECT_FALSE(h.throttle->pending());
    }
}

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"
#include "support/FixtureTree.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel {
namespace {

using Density = DashboardPrefs::Density;
using CardWidth = DashboardPrefs::CardWidth;

std::string key(const char* suffix) {
    return std::string(DashboardPrefs::kKeyPrefix) + suffix;
}

// The toggles as 'T'/'F' in declaration order.
std::string toggleString(const DashboardPrefs& prefs) {
    std::string out;
    for (const auto& t : DashboardPrefs::toggles()) out += prefs.*t.field ? 'T' : 'F';
    return out;
}

constexpr const char* kDefaultToggles = "TTTTTTTTFFFFFT";

class DashboardPrefsTest : public ::testing::Test {
protected:
    test::FixtureTree support;
    std::string path = support.root() + "/defaults.json";
    UserDefaults defaults{path};
};

TEST_F(DashboardPrefsTest, FreshStoreHasTheDefaultsAndTakesInAnotherWritersChange) {
    DashboardPrefs prefs(defaults);
    EXPECT_EQ(toggleString(prefs), kDefaultToggles);
    EXPECT_EQ(prefs.density, Density::comfortable);
    EXPECT_EQ(prefs.width, CardWidth::regular);
    EXPECT_EQ(prefs.cornerRadius, 18);
    UserDefaults reread{path};

    // Another writer's change reaches the fields as soon as the file is looked at, and is
    // announced; a save here writes only what changed here, so it keeps a change this side
    // has not seen yet.
    int changes = 0;
    QObject::connect(&prefs, &DashboardPrefs::changed, [&] { ++changes; });
    reread.setBool(key("powerDistribution"), false);
    defaults.reload();
    EXPECT_FALSE(prefs.showPowerDistribution);
    EXPECT_EQ(changes, 1);
    reread.setString(key("width"), "wide");
    prefs.showHealth = true;
    prefs.save();
    EXPECT_EQ(prefs.width, CardWidth::wide);
    EXPECT_EQ(UserDefaults(path).string(key("width")), "wide");
    EXPECT_EQ(UserDefaults(path).boolValue(key("health")), true);
}

TEST_F(DashboardPrefsTest, LoadReadsWhatIsStoredAndFallsBackPerField) {
    struct Row {
        const char* what;
        std::function<void(UserDefaults&)> store;
        double corner;
        Density density;
        CardWidth width;
        bool fauxMenubar;
        bool sparkline;
    };
    // Before each load the fields hold a non-default state: roomy, wide, menu bar off, chart on.
    const Row rows[] = {
        {"nothing stored", [](UserDefaults&) {}, 18, Density::roomy, CardWidth::wide, true, false},
        {"corner 6", [](UserDefaults& d) { d.setReal(key("corner"), 6); }, 18, Density::roomy,
         CardWidth::wide, true, false},
        {"corner 8", [](UserDefaults& d) { d.setReal(key("corner"), 8); }, 8, Density::roomy,
         CardWidth::wide, true, false},
        {"corner as integer", [](UserDefaults& d) { d.setInteger(key("corner"), 30); }, 30,
         Density::roomy, CardWidth::wide, true, false},
        {"known density and width",
         [](UserDefaults& d) {
             d.setString(key("density"), "compact");
             d.setString(key("width"), "narrow");
         },
         18, Density::compact, CardWidth::narrow, true, false},
        {"unknown density and width",
         [](UserDefaults& d) {
             d.setString(key("density"), "spacious");
             d.setString(key("width"), "Regular");
         },
         18, Density::roomy, CardWidth::wide, true, false},
        {"stored bools",
         [](UserDefaults& d) {
             d.setBool(key("fauxMenubar"), false);
             d.setBool(key("sparkline"), true);
         },
         18, Density::roomy, CardWidth::wide, false, true},
        {"strings where bools belong",
         [](UserDefaults& d) {
             d.setString(key("fauxMenubar"), "false");
             d.setString(key("sparkline"), "true");
         },
         18, Density::roomy, CardWidth::wide, true, false},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        UserDefaults store{support.root() + "/row" + std::to_string(n++) + ".json"};
        DashboardPrefs prefs(store);
        prefs.density = Density::roomy;
        prefs.width = CardWidth::wide;
        prefs.showFauxMenubar = false;
        prefs.showSparkline = true;
        prefs.cornerRadius = 40;
        row.store(store);
        prefs.load();
        EXPECT_EQ(prefs.cornerRadius, row.corner);
        EXPECT_EQ(prefs.density, row.density);
        EXPECT_EQ(prefs.width, row.width);
        EXPECT_EQ(prefs.showFauxMenubar, row.fauxMenubar);
        EXPECT_EQ(prefs.showSparkline, row.sparkline);
    }
}

// Each save, preset and reset stores what it set and announces itself once; "mock" and a name
// the code does not know give the default layout.
TEST_F(DashboardPrefsTest, EverySaveStoresWhatItSetAndAnnouncesItselfOnce) {
    DashboardPrefs prefs(defaults);
    int posts = 0, others = 0, saves = 0;
    QObject context;
    QObject::connect(
        &AppNotificationCenter::instance(), &AppNotificationCenter::posted, &context,
        [&](const QString& name) { ++(name == tarvelDashboardPrefsChanged ? posts : others); });
    QObject::connect(&prefs, &DashboardPrefs::changed, &context, [&] { ++saves; });
    const struct {
        const char* what;
        std::function<void()> action;
        bool defaultLayout;
    } actions[] = {
        {"save", [&] { prefs.save(); }, false},
        {"minimal", [&] { prefs.applyPreset("minimal"); }, false},
        {"full", [&] { prefs.applyPreset("full"); }, false},
        {"mock", [&] { prefs.applyPreset("mock"); }, true},
        {"unknown preset", [&] { prefs.applyPreset(""); }, true},
        {"reset", [&] { prefs.resetToMockDefaults(); }, true},
        {"first seeding", [&] { prefs.seedFirstOpenIfNeeded(); }, false},
    };
    std::map<std::string, std::string> layouts;
    for (const auto& [what, action, defaultLayout] : actions) {
        SCOPED_TRACE(what);
        // Start from the opposite of the defaults so every field the action sets shows.
        for (const auto& t : DashboardPrefs::toggles()) prefs.*t.field = !t.defaultValue;
        prefs.density = Density::roomy;
        prefs.width = CardWidth::narrow;
        prefs.cornerRadius = 24;
        posts = saves = 0;
        action();
        EXPECT_EQ(posts, 1);
        EXPECT_EQ(saves, 1);
        layouts[what] = toggleString(prefs);
        UserDefaults reread{path};
        DashboardPrefs stored(reread);
        EXPECT_EQ(toggleString(stored), toggleString(prefs));
        EXPECT_EQ(stored.density, prefs.density);
        EXPECT_EQ(stored.width, prefs.width);
        EXPECT_EQ(stored.cornerRadius, prefs.cornerRadius);
        if (defaultLayout) {
            EXPECT_EQ(toggleString(prefs), kDefaultToggles);
            EXPECT_EQ(prefs.density, Density::comfortable);
            EXPECT_EQ(prefs.width, CardWidth::regular);
            EXPECT_EQ(prefs.cornerRadius, 18);
        }
    }
    EXPECT_NE(layouts["minimal"], kDefaultToggles);
    EXPECT_NE(layouts["full"], kDefaultToggles);
    EXPECT_NE(layouts["minimal"], layouts["full"]);
    posts = saves = 0;
    prefs.seedFirstOpenIfNeeded();
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(others, 0);
}

TEST_F(DashboardPrefsTest, FirstOpenSeedsOncePerAccount) {
    // Only a boolean true counts as seeded.
    defaults.setString(DashboardPrefs::kSeededKey, "true");
    DashboardPrefs prefs(defaults);
    ASSERT_TRUE(prefs.seedFirstOpenIfNeeded());
    EXPECT_EQ(toggleString(prefs), "FFTTTTTTTTTFTT");
    EXPECT_EQ(defaults.boolValue(DashboardPrefs::kSeededKey), true);

    // The user turns the seeded cards back; a later launch leaves that alone.
    prefs.resetToMockDefaults();
    UserDefaults reread{path};
    DashboardPrefs relaunched(reread);
    EXPECT_FALSE(relaunched.seedFirstOpenIfNeeded());
    EXPECT_EQ(toggleString(relaunched), kDefaultToggles);
    EXPECT_FALSE(prefs.seedFirstOpenIfNeeded());
}

}  // namespace
}  // namespace tarvel

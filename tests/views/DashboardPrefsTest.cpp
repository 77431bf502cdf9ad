#include <gtest/gtest.h>

#include <functional>
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

TEST_F(DashboardPrefsTest, FreshStoreHasTheDefaultsAndASavedLayoutSurvivesARestart) {
    DashboardPrefs prefs(defaults);
    EXPECT_EQ(toggleString(prefs), kDefaultToggles);
    EXPECT_EQ(prefs.density, Density::comfortable);
    EXPECT_EQ(prefs.width, CardWidth::regular);
    EXPECT_EQ(prefs.cornerRadius, 18);

    for (const auto& t : DashboardPrefs::toggles()) prefs.*t.field = !t.defaultValue;
    prefs.density = Density::roomy;
    prefs.width = CardWidth::narrow;
    prefs.cornerRadius = 24.5;
    prefs.save();

    UserDefaults reread{path};
    DashboardPrefs restarted(reread);
    EXPECT_EQ(&DashboardPrefs::shared(), &restarted);
    EXPECT_EQ(toggleString(restarted), "FFFFFFFFTTTTTF");
    EXPECT_EQ(restarted.density, Density::roomy);
    EXPECT_EQ(restarted.width, CardWidth::narrow);
    EXPECT_EQ(restarted.cornerRadius, 24.5);

    // Another writer's change reaches the fields as soon as the file is looked at, and is
    // announced; a save here writes only what changed here, so it keeps a change this side
    // has not seen yet.
    int changes = 0;
    QObject::connect(&prefs, &DashboardPrefs::changed, [&] { ++changes; });
    reread.setBool(key("powerDistribution"), true);
    defaults.reload();
    EXPECT_TRUE(prefs.showPowerDistribution);
    EXPECT_EQ(changes, 1);
    reread.setString(key("width"), "wide");
    prefs.showHealth = false;
    prefs.save();
    EXPECT_EQ(prefs.width, CardWidth::wide);
    EXPECT_EQ(UserDefaults(path).string(key("width")), "wide");
    EXPECT_EQ(UserDefaults(path).boolValue(key("health")), false);
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

TEST_F(DashboardPrefsTest, PresetsSetTheirLayoutAndSaveIt) {
    struct Row {
        const char* name;
        const char* toggles;
        Density density;
        CardWidth width;
        double corner;
    };
    const Row rows[] = {
        {"minimal", "FFTTFFFTFFFFTT", Density::compact, CardWidth::narrow, 24},
        {"full", "TTTTTTTTTTTTTT", Density::roomy, CardWidth::wide, 24},
        {"mock", kDefaultToggles, Density::comfortable, CardWidth::regular, 18},
        {"", kDefaultToggles, Density::comfortable, CardWidth::regular, 18},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DashboardPrefs prefs(defaults);
        // Start from the opposite of the defaults so every field the preset sets shows.
        for (const auto& t : DashboardPrefs::toggles()) prefs.*t.field = !t.defaultValue;
        prefs.density = Density::roomy;
        prefs.width = CardWidth::narrow;
        prefs.cornerRadius = 24;
        prefs.applyPreset(row.name);
        UserDefaults reread{path};
        DashboardPrefs stored(reread);
        for (const DashboardPrefs* p : {&prefs, &stored}) {
            EXPECT_EQ(toggleString(*p), row.toggles);
            EXPECT_EQ(p->density, row.density);
            EXPECT_EQ(p->width, row.width);
            EXPECT_EQ(p->cornerRadius, row.corner);
        }
    }
}

TEST_F(DashboardPrefsTest, EverySaveAnnouncesItselfOnce) {
    DashboardPrefs prefs(defaults);
    int posts = 0, others = 0, saves = 0;
    QObject context;
    QObject::connect(
        &AppNotificationCenter::instance(), &AppNotificationCenter::posted, &context,
        [&](const QString& name) { ++(name == tarvelDashboardPrefsChanged ? posts : others); });
    QObject::connect(&prefs, &DashboardPrefs::changed, &context, [&] { ++saves; });
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"save", [&] { prefs.save(); }},
        {"minimal", [&] { prefs.applyPreset("minimal"); }},
        {"full", [&] { prefs.applyPreset("full"); }},
        {"mock", [&] { prefs.applyPreset("mock"); }},
        {"reset", [&] { prefs.resetToMockDefaults(); }},
        {"first seeding", [&] { prefs.seedFirstOpenIfNeeded(); }},
    };
    for (const auto& [what, action] : actions) {
        SCOPED_TRACE(what);
        posts = saves = 0;
        action();
        EXPECT_EQ(posts, 1);
        EXPECT_EQ(saves, 1);
    }
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

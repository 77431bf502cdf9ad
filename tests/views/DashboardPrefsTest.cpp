#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
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

std::string corner(const DashboardPrefs& prefs) {
    return QString::number(prefs.cornerRadius).toStdString();
}

// Every field: the switches as 'T'/'F' in declaration order, then density, width and corner.
std::string layout(const DashboardPrefs& prefs) {
    std::string out;
    for (const auto& t : DashboardPrefs::toggles()) out += prefs.*t.field ? 'T' : 'F';
    return out + " " + prefs.densityInfo().id + " " + prefs.widthInfo().id + " " + corner(prefs);
}

class DashboardPrefsTest : public ::testing::Test {
protected:
    test::FixtureTree support;
    std::string path = support.root() + "/defaults.json";
    UserDefaults defaults{path};
};

// Another writer's change reaches the fields as soon as the file is looked at, and is
// announced; a save here writes only what changed here, so it keeps a change this side has not
// seen yet.
TEST_F(DashboardPrefsTest, TakesInAnotherWritersChangeAndASaveKeepsIt) {
    DashboardPrefs prefs(defaults);
    UserDefaults reread{path};
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

// Before each load the fields hold roomy, wide, menu bar off, chart on and corner 40.
TEST_F(DashboardPrefsTest, LoadReadsWhatIsStoredAndFallsBackPerField) {
    const struct {
        nlohmann::json stored;  // the layout keys in the settings file
        const char* loaded;     // menu bar and chart switches, density, width, corner
    } rows[] = {
        {nlohmann::json::object(), "TF roomy wide 18"},
        {{{"corner", 6.0}}, "TF roomy wide 18"},
        {{{"corner", 8.0}}, "TF roomy wide 8"},
        {{{"corner", 30}}, "TF roomy wide 30"},
        {{{"density", "compact"}, {"width", "narrow"}}, "TF compact narrow 18"},
        {{{"density", "spacious"}, {"width", "Regular"}}, "TF roomy wide 18"},
        {{{"fauxMenubar", false}, {"sparkline", true}}, "FT roomy wide 18"},
        {{{"fauxMenubar", "false"}, {"sparkline", "true"}}, "TF roomy wide 18"},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored.dump());
        const std::string name = "row" + std::to_string(n++) + ".json";
        UserDefaults store{support.root() + "/" + name};
        DashboardPrefs prefs(store);
        prefs.density = Density::roomy;
        prefs.width = CardWidth::wide;
        prefs.showFauxMenubar = false;
        prefs.showSparkline = true;
        prefs.cornerRadius = 40;
        nlohmann::json file = nlohmann::json::object();
        for (const auto& [suffix, value] : row.stored.items()) file[key(suffix.c_str())] = value;
        support.write(name, file.dump());
        prefs.load();
        const std::string switches =
            std::string(prefs.showFauxMenubar ? "T" : "F") + (prefs.showSparkline ? "T" : "F");
        EXPECT_EQ(switches + " " + prefs.densityInfo().id + " " + prefs.widthInfo().id + " " +
                      corner(prefs),
                  row.loaded);
    }
}

// Each save, preset, reset and the first seeding stores what it set and announces itself
// once; "mock" and a name the code does not know give a fresh store's layout. Only a boolean
// true counts as seeded, and neither this store nor a relaunch seeds a second time.
TEST_F(DashboardPrefsTest, EverySaveStoresWhatItSetAndAnnouncesItselfOnce) {
    defaults.setString(DashboardPrefs::kSeededKey, "true");
    DashboardPrefs prefs(defaults);
    const std::string fresh = layout(prefs);
    int posts = 0, others = 0, saves = 0;
    QObject context;
    QObject::connect(
        &AppNotificationCenter::instance(), &AppNotificationCenter::posted, &context,
        [&](const QString& name) { ++(name == tarvelDashboardPrefsChanged ? posts : others); });
    QObject::connect(&prefs, &DashboardPrefs::changed, &context, [&] { ++saves; });
    const struct {
        const char* what;
        std::function<void()> action;
        bool defaultLayout;  // a fresh store's layout, and only then
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
        layouts[what] = layout(prefs);
        UserDefaults reread{path};
        EXPECT_EQ(layout(DashboardPrefs(reread)), layouts[what]);
        EXPECT_EQ(layouts[what] == fresh, defaultLayout) << layouts[what];
    }
    posts = saves = 0;
    EXPECT_FALSE(prefs.seedFirstOpenIfNeeded());
    UserDefaults relaunched{path};
    EXPECT_FALSE(DashboardPrefs(relaunched).seedFirstOpenIfNeeded());
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(others, 0);
}

}  // namespace
}  // namespace tarvel

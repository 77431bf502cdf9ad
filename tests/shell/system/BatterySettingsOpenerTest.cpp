#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "Printers.h"
#include "shell/system/BatterySettingsOpener.h"
#include "support/WaitUntil.h"

namespace tarvel {

inline void PrintTo(const SettingsCommand& c, std::ostream* os) {
    *os << c.program.toStdString();
    for (const QString& a : c.arguments) *os << ' ' << a.toStdString();
}

namespace {

const SettingsCommand kGnome{"gnome-control-center", {"power"}};
const SettingsCommand kPlasma6{"systemsettings", {"kcm_powerdevilprofilesconfig"}};
const SettingsCommand kPlasma5{"systemsettings5", {"powerdevilprofilesconfig"}};
const SettingsCommand kXfce{"xfce4-power-manager-settings", {}};
const SettingsCommand kMate{"mate-power-preferences", {}};
const SettingsCommand kCinnamon{"cinnamon-settings", {"power"}};
const SettingsCommand kBudgie{"budgie-control-center", {"power"}};

bool isPowerPage(const SettingsCommand& c) {
    for (const SettingsCommand& page :
         {kGnome, kPlasma6, kPlasma5, kXfce, kMate, kCinnamon, kBudgie})
        if (c == page) return true;
    return c.program == "lxqt-config-powermanagement";
}

TEST(BatterySettingsCommands, RunningDesktopFirstThenOtherPowerPagesThenSettingsApps) {
    struct Row {
        QString desktop;
        SettingsCommand first;
        std::optional<SettingsCommand> second;
    };
    // Which desktop has which page is the code's own table; what matters is the order.
    const Row rows[] = {
        {"kde", kPlasma6, kPlasma5},   {"Budgie:GNOME", kBudgie, kGnome},
        {"XFCE:KDE", kXfce, kPlasma6}, {"X-Cinnamon", kCinnamon, {}},
        {"SomethingNew", kGnome, {}},  {"::", kGnome, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.desktop.toStdString());
        const std::vector<SettingsCommand> list = batterySettingsCommands(row.desktop);
        ASSERT_GE(list.size(), 2u);
        EXPECT_EQ(list[0], row.first);
        if (row.second) {
            EXPECT_EQ(list[1], *row.second);
        }

        // Every desktop's power page is offered once, all before the plain settings apps.
        const auto firstApp = std::find_if_not(list.begin(), list.end(), isPowerPage);
        EXPECT_EQ(firstApp - list.begin(), 8);
        for (auto it = firstApp; it != list.end(); ++it) {
            EXPECT_FALSE(isPowerPage(*it)) << it->program.toStdString();
            EXPECT_TRUE(it->arguments.isEmpty());
            EXPECT_EQ(std::count(list.begin(), list.end(), *it), 1);
        }
    }
}

TEST(BatterySettingsOpener, StartsTheFirstInstalledCommandThatStarts) {
    struct Row {
        const char* what;
        QString desktop;
        QStringList installed;
        QStringList failsToStart;
        std::optional<SettingsCommand> opened;
        int launches;
    };
    const Row rows[] = {
        {"first one fails",
         "XFCE",
         {"xfce4-power-manager-settings", "gnome-control-center"},
         {"xfce4-power-manager-settings"},
         kGnome,
         2},
        {"nothing installed", "GNOME", {}, {}, std::nullopt, 0},
        {"nothing starts", "KDE", {"systemsettings"}, {"systemsettings"}, std::nullopt, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int launches = 0;
        const BatterySettingsOpener opener(
            row.desktop, [&](const QString& program) { return row.installed.contains(program); },
            [&](const SettingsCommand& c) {
                ++launches;
                return !row.failsToStart.contains(c.program);
            });
        EXPECT_EQ(opener.open(), row.opened);
        EXPECT_EQ(launches, row.launches);
    }
}

// A settings program that records how it was started.
void writeFakeProgram(const QString& folder, const QString& name, const QString& record) {
    const QString path = folder + "/" + name;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString("#!/bin/sh\nprintf '%s\\n' \"${0##*/}\" \"$@\" > '%1.part'\n"
                       "/bin/mv '%1.part' '%1'\n")
                   .arg(record)
                   .toUtf8());
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QString waitForRecord(const QString& path) {
    test::waitUntil([&] { return QFile::exists(path); }, 10000);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

TEST(BatterySettingsOpener, StartsTheProgramFoundOnThePath) {
    QTemporaryDir bin, records;
    ASSERT_TRUE(bin.isValid() && records.isValid());
    writeFakeProgram(bin.path(), "xfce4-power-manager-settings", records.filePath("xfce"));
    writeFakeProgram(bin.path(), "systemsettings", records.filePath("kde"));
    const QString path = QDir(records.path()).filePath("absent") + ":" + bin.path();

    EXPECT_EQ(BatterySettingsOpener::forEnvironment("XFCE", path).open(), kXfce);
    EXPECT_EQ(waitForRecord(records.filePath("xfce")), "xfce4-power-manager-settings\n");

    EXPECT_EQ(BatterySettingsOpener::forEnvironment("KDE", path).open(), kPlasma6);
    EXPECT_EQ(waitForRecord(records.filePath("kde")),
              "systemsettings\nkcm_powerdevilprofilesconfig\n");

    // A file that is not executable is not a program.
    QTemporaryDir other;
    QFile plain(other.filePath("mate-power-preferences"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_EQ(BatterySettingsOpener::forEnvironment("MATE", other.path()).open(), std::nullopt);
    EXPECT_EQ(BatterySettingsOpener::forEnvironment("GNOME", "").open(), std::nullopt);
}

}  // namespace
}  // namespace tarvel

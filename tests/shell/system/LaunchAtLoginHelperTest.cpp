#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <optional>

#include "Printers.h"
#include "base/UserDefaults.h"
#include "shell/ApplicationId.h"
#include "shell/system/LaunchAtLoginHelper.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

const QString kProgram = "/usr/bin/tarvel";
const QString kEntryName = "app.tarvel.Tarvel.desktop";

// What the helper writes; its content is checked by the validator and a real launcher below.
const QString kWrittenEntry = LaunchAtLoginHelper::desktopEntry(kProgram, false);
const QString kHiddenEntry = LaunchAtLoginHelper::desktopEntry(kProgram, true);

const QString kPlain = "[Desktop Entry]\nType=Application\nName=Old\nExec=old\n";
const QString kHidden = kPlain + "Hidden=true\n";
const QString kGnomeOff = kPlain + "X-GNOME-Autostart-enabled=false\n";

void writeFile(const QString& path, const QString& text) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

std::optional<QString> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

// Empty when desktop-file-validate accepts the file without a word (or is not installed); its
// complaint otherwise.
QString validatorComplaint(const QString& path) {
    const QString tool = QStandardPaths::findExecutable("desktop-file-validate");
    if (tool.isEmpty()) return {};
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool, {path});
    if (!p.waitForFinished(60000)) return "did not finish";
    const QString out = QString::fromUtf8(p.readAll());
    return p.exitCode() == 0 && out.trimmed().isEmpty() ? QString() : out;
}

TEST(ApplicationDesktopEntry, PassesTheValidatorAndNamesTheIcon) {
    const QString entry = TARVEL_DESKTOP_ENTRY;
    EXPECT_EQ(QFileInfo(entry).fileName(), QString(kApplicationId) + ".desktop");
    const QString text = readFile(entry).value_or("");
    EXPECT_TRUE(text.contains("\nIcon=app.tarvel.Tarvel\n"));
    EXPECT_TRUE(text.contains("\nExec=tarvel\n"));
    EXPECT_EQ(validatorComplaint(entry), "");

    QFile icon(TARVEL_APP_ICON);
    ASSERT_TRUE(icon.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&icon);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QString("svg"));
    while (!xml.atEnd()) xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

// A user folder and two system-wide folders (the second one less important) in a temporary
// place, with the log lines kept.
struct Rig {
    Rig() {
        folders.user = dir.path() + "/home/autostart";
        folders.system = {dir.path() + "/xdg1/autostart", dir.path() + "/xdg2/autostart"};
    }
    LaunchAtLoginHelper helper(const QString& program = kProgram) {
        return LaunchAtLoginHelper(settings, program, folders,
                                   [this](const QString& line) { log << line; });
    }
    QString user() const { return folders.user + "/" + kEntryName; }
    QString system(int i) const { return folders.system[i] + "/" + kEntryName; }

    QTemporaryDir dir;
    UserDefaults settings{(dir.path() + "/defaults.json").toStdString()};
    AutostartFolders folders;
    QStringList log;
};

struct StateCase {
    const char* name;
    std::optional<QString> user;
    std::optional<QString> system;  // in the second system folder
    bool enabled;
};

TEST(LaunchAtLoginHelper, StatusFollowsTheEntryThatApplies) {
    const StateCase cases[] = {
        {"missing", std::nullopt, std::nullopt, false},
        {"plain", kPlain, std::nullopt, true},
        {"Hidden=true", kHidden, std::nullopt, false},
        {"GNOME switched off", kGnomeOff, std::nullopt, false},
        {"spaces around =", kPlain + "Hidden = true\n", std::nullopt, false},
        {"Hidden=false", kPlain + "Hidden=false\n", std::nullopt, true},
        {"GNOME switched on", kPlain + "X-GNOME-Autostart-enabled=true\n", std::nullopt, true},
        {"Hidden in another group", kPlain + "[Desktop Action x]\nHidden=true\n", std::nullopt,
         true},
        {"system-wide only", std::nullopt, kPlain, true},
        {"system-wide hidden only", std::nullopt, kHidden, false},
        {"system-wide, user hidden", kHidden, kPlain, false},
        {"system-wide hidden, user plain", kPlain, kHidden, true},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        if (c.user) writeFile(rig.user(), *c.user);
        if (c.system) writeFile(rig.system(1), *c.system);
        auto helper = rig.helper();
        EXPECT_EQ(helper.isEnabled(), c.enabled);
        helper.syncFromSystem();
        EXPECT_EQ(rig.settings.boolValue(kLaunchAtLogin), c.enabled);
    }
}

struct ApplyCase {
    const char* name;
    std::optional<QString> user;
    bool system;
    bool on;
    std::optional<QString> userAfter;  // none: no user file
};

TEST(LaunchAtLoginHelper, ApplyMakesTheEntryMatchAndLeavesAMatchingOneAlone) {
    const ApplyCase cases[] = {
        {"on from missing", std::nullopt, false, true, kWrittenEntry},
        {"on when already on", kPlain, false, true, kPlain},
        {"on from hidden", kHidden, false, true, kWrittenEntry},
        {"off from plain", kPlain, false, false, std::nullopt},
        {"off when hidden", kHidden, false, false, kHidden},
        {"off from system-wide", std::nullopt, true, false, kHiddenEntry},
        {"off from system-wide and user", kPlain, true, false, kHiddenEntry},
        {"on over a system-wide entry the user hid", kHidden, true, true, kWrittenEntry},
        {"off when the user hid the system-wide entry", kHidden, true, false, kHidden},
    };
    for (const ApplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        if (c.user) writeFile(rig.user(), *c.user);
        if (c.system) writeFile(rig.system(0), kPlain);
        auto helper = rig.helper();

        helper.setEnabled(c.on);

        EXPECT_EQ(readFile(rig.user()), c.userAfter);
        EXPECT_EQ(helper.isEnabled(), c.on);
        EXPECT_EQ(rig.settings.boolValue(kLaunchAtLogin), c.on);
        EXPECT_TRUE(rig.log.isEmpty()) << rig.log.join("\n").toStdString();
        if (c.userAfter && *c.userAfter != c.user) {
            EXPECT_EQ(validatorComplaint(rig.user()), "");
        }
        // Nothing else is left in the folder (no half-written copies).
        if (QDir(rig.folders.user).exists()) {
            EXPECT_LE(QDir(rig.folders.user).entryList(QDir::Files).size(), 1);
        }
    }
}

// The entry written for a program path full of characters the Exec key quotes or escapes starts
// that very program, with the login argument, when a real launcher reads it.
TEST(LaunchAtLoginHelper, WrittenEntryStartsTheProgramThroughARealLauncher) {
    const QString gio = QStandardPaths::findExecutable("gio");
    if (gio.isEmpty()) GTEST_SKIP() << "gio is not installed";
    Rig rig;
    const QString program = rig.dir.path() + R"(/My Apps/$HOME/t"a\r`v'el)";
    const QString marker = rig.dir.path() + "/started";
    writeFile(program, "#!/bin/sh\nprintf '%s|%s' \"$0\" \"$*\" > '" + marker + "'\n");
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    auto helper = rig.helper(program);
    helper.apply(true);
    ASSERT_TRUE(helper.isEnabled());
    EXPECT_EQ(validatorComplaint(rig.user()), "");

    ASSERT_EQ(QProcess::execute(gio, {"launch", rig.user()}), 0);
    ASSERT_TRUE(test::waitUntil(
        [&] { return readFile(marker).value_or("").endsWith("--autostart"); }, 30000));
    EXPECT_EQ(readFile(marker), program + "|--autostart");
    // % starts a field code; gio looks for the program before it reads "%%" as "%".
    EXPECT_EQ(LaunchAtLoginHelper::execArgument("/opt/50%/tarvel"), "/opt/50%%/tarvel");
}

TEST(LaunchAtLoginHelper, AFailedWriteLogsOneLineAndKeepsTheRequestedFlag) {
    const struct {
        const char* name;
        bool folderBlocked;  // else the entry's own path is a folder
    } cases[] = {{"autostart folder cannot be made", true}, {"entry cannot be replaced", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        if (c.folderBlocked) {
            // A file where the folder's parent should be: no user, root included, can write.
            writeFile(rig.dir.path() + "/blocker", "");
            rig.folders.user = rig.dir.path() + "/blocker/autostart";
        } else {
            ASSERT_TRUE(QDir().mkpath(rig.user()));
        }
        auto helper = rig.helper();
        rig.settings.setBool(kLaunchAtLogin, false);

        helper.setEnabled(true);

        ASSERT_EQ(rig.log.size(), 1) << rig.log.join("\n").toStdString();
        EXPECT_TRUE(rig.log[0].startsWith("Tarvel LaunchAtLogin: ")) << rig.log[0].toStdString();
        EXPECT_EQ(rig.settings.boolValue(kLaunchAtLogin), true);
        EXPECT_FALSE(helper.isEnabled());

        helper.syncFromSystem();
        EXPECT_EQ(rig.settings.boolValue(kLaunchAtLogin), false);
    }
}

TEST(AutostartFolders, FollowTheXdgVariables) {
    const QByteArray oldDirs = qgetenv("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_DIRS", "/first:relative::/second");
    AutostartFolders folders = AutostartFolders::fromEnvironment();
    EXPECT_EQ(folders.user, qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart");
    EXPECT_EQ(folders.system, (QStringList{"/first/autostart", "/second/autostart"}));
    qunsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(AutostartFolders::fromEnvironment().system, QStringList{"/etc/xdg/autostart"});
    qputenv("XDG_CONFIG_DIRS", oldDirs);
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "Printers.h"
#include "drain/ProcEnergy.h"
#include "shell/system/AppIconResolver.h"

namespace tarvel {
namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void writeIcon(const QString& path, const QColor& color) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(path, "PNG"));
}

QByteArray entry(const QByteArray& fields) {
    return "[Desktop Entry]\nType=Application\nName=Test\n" + fields;
}

// Two data folders: the user's, which overrides one entry, and a system one with the rest.
class IconFixture {
public:
    IconFixture() {
        const QString user = dir.path() + "/user";
        const QString sys = dir.path() + "/sys";
        const QString apps = sys + "/applications";
        const QString hicolor = sys + "/icons/hicolor/";
        blueIcon = dir.path() + "/elsewhere/blue.png";

        writeIcon(hicolor + "48x48/apps/tarvel-test-editor.png", Qt::red);
        writeIcon(hicolor + "48x48/apps/tarvel-test-viewer.png", Qt::green);
        writeIcon(hicolor + "32x32/apps/tarvel-test-viewer-user.png", Qt::cyan);
        writeIcon(hicolor + "48x48/apps/tarvel-test-notes.png", Qt::yellow);
        writeIcon(hicolor + "48x48/apps/tarvel-test-hidden.png", Qt::magenta);
        writeIcon(sys + "/pixmaps/tarvel-test-player.png", Qt::gray);
        writeIcon(blueIcon, Qt::blue);

        writeFile(apps + "/editor.desktop",
                  entry("Exec=env GTK_THEME=Adwaita:dark /opt/tv/bin/tarvel-editor --new %F\n"
                        "Icon=tarvel-test-editor\nName[de]=Editor\nIcon[de]=tarvel-test-hidden\n"));
        writeFile(apps + "/viewer.desktop", entry("Exec=\"/opt/My Apps/viewer\" %u\n"
                                                  "StartupWMClass=TarvelViewerWin\n"
                                                  "Icon=tarvel-test-viewer\n"));
        writeFile(user + "/applications/viewer.desktop",
                  entry("Exec=\"/opt/My Apps/viewer\" %u\nStartupWMClass=TarvelViewerWin\n"
                        "Icon=tarvel-test-viewer-user.png\n"));
        writeFile(apps + "/sync.desktop", entry("Exec=/usr/bin/launch-wrapper --sync\n"
                                                "TryExec=/usr/libexec/tarvel-sync-daemon\n"
                                                "Icon=" +
                                                blueIcon.toUtf8() + "\n"));
        writeFile(apps + "/org.example.Notes.desktop",
                  entry("Exec=/usr/bin/flatpak run --branch=stable --command=notes-bin "
                        "org.example.Notes @@u %U @@\nIcon=tarvel-test-notes\n"));
        writeFile(apps + "/player-helper.desktop",
                  entry("Exec=tarvel-player --helper\nIcon=tarvel-test-hidden\nNoDisplay=true\n"));
        writeFile(apps + "/player.desktop", entry("Exec=tarvel-player\nIcon=tarvel-test-player\n"));
        writeFile(apps + "/lonely.desktop",
                  entry("Exec=tarvel-lonely\nIcon=tarvel-test-editor\nHidden=true\n"));
        writeFile(apps + "/long.desktop",
                  entry("Exec=tarvel-long-running-daemon\nIcon=tarvel-test-notes\n"));
        writeFile(apps + "/kde4/oldapp.desktop", entry("Exec=/weird/x\nIcon=tarvel-test-viewer\n"));
        writeFile(apps + "/broken-icon.desktop",
                  entry("Exec=tarvel-broken\nIcon=" + dir.path().toUtf8() + "/missing.png\n"));
        writeFile(apps + "/link.desktop",
                  "[Desktop Entry]\nType=Link\nExec=tarvel-link\nIcon=tarvel-test-editor\n");

        // Junk: no group, binary noise, an unclosed quote, the fields past the read limit.
        writeFile(apps + "/nogroup.desktop", "Exec=tarvel-junk\nIcon=tarvel-test-editor\n");
        writeFile(apps + "/noise.desktop", QByteArray("\x00\xff\xfe[Desktop Entry\n=\n==\x01", 14));
        writeFile(apps + "/quote.desktop",
                  entry("Exec=\"tarvel-quote \\\nIcon=tarvel-test-editor\n"));
        writeFile(apps + "/huge.desktop", entry(QByteArray(100 * 1024, '#') +
                                                "\nExec=tarvel-huge\nIcon=tarvel-test-editor\n"));
        writeFile(apps + "/not-an-entry.txt", entry("Exec=tarvel-txt\nIcon=tarvel-test-editor\n"));

        folders = {user + "/applications", apps};
    }

    QTemporaryDir dir;
    QString blueIcon;
    QStringList folders;
};

QColor drawnColor(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

TEST(AppIconResolver, FindsTheEntryAndItsIcon) {
    const IconFixture fixture;
    AppIconResolver resolver(fixture.folders);
    struct Row {
        QString name;
        QString path;
        std::optional<QColor> color;
    };
    const Row rows[] = {
        // Exec program, past env, with and without a path
        {"tarvel-editor", "/opt/tv/bin/tarvel-editor", QColor(Qt::red)},
        {"tarvel-editor", "", QColor(Qt::red)},
        // quoted Exec path; the user's entry overrides the system one
        {"viewer", "/opt/My Apps/viewer", QColor(Qt::cyan)},
        {"TARVELVIEWERWIN", "", QColor(Qt::cyan)},
        // TryExec, with the icon given as a path
        {"tarvel-sync-dae", "/usr/libexec/tarvel-sync-daemon", QColor(Qt::blue)},
        // flatpak's --command, and the id itself
        {"notes-bin", "/app/bin/notes-bin", QColor(Qt::yellow)},
        {"org.example.notes", "", QColor(Qt::yellow)},
        {"notes", "", QColor(Qt::yellow)},
        // the shown entry wins over a NoDisplay one; a hidden-only match still counts
        {"tarvel-player", "/usr/bin/tarvel-player", QColor(Qt::gray)},
        {"tarvel-lonely", "", QColor(Qt::red)},
        // a name cut to 15 characters, an id from a sub-folder
        {"tarvel-long-run", "", QColor(Qt::yellow)},
        {"kde4-oldapp", "", QColor(Qt::green)},
        // nothing usable
        {"tarvel-broken", "", std::nullopt},
        {"tarvel-link", "", std::nullopt},
        {"tarvel-junk", "", std::nullopt},
        {"tarvel-quote", "", std::nullopt},
        {"tarvel-huge", "", std::nullopt},
        {"tarvel-txt", "", std::nullopt},
        {"nothing-here", "/usr/bin/nothing-here", std::nullopt},
        {"pid 42", "", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE((row.name + " " + row.path).toStdString());
        const QIcon icon = resolver.icon(row.name, row.path);
        ASSERT_EQ(icon.isNull(), !row.color);
        if (row.color) {
            EXPECT_EQ(drawnColor(icon), *row.color);
        }
    }

    ProcEnergy process;
    process.name = "tarvel-editor";
    EXPECT_EQ(drawnColor(resolver.icon(process)), QColor(Qt::red));
    EXPECT_EQ(resolver.desktopEntryFor("notes-bin", ""),
              fixture.folders[1] + "/org.example.Notes.desktop");
}

TEST(ExecProgram, ReadsTheProgramOfAnExecLine) {
    const std::pair<QString, QString> rows[] = {
        {"firefox %u", "firefox"},
        {"/usr/bin/foo --bar", "/usr/bin/foo"},
        {"env A=1 B=\"two words\" -u C foo %F", "foo"},
        {"/usr/bin/env LANG=C bar", "bar"},
        {"\"/opt/a b/c\" --x", "/opt/a b/c"},
        {"\"/opt/a \\\"q\\\"/c\"", "/opt/a \"q\"/c"},
        {"/usr/bin/flatpak run --branch=stable --arch=x86_64 org.gnome.Maps", "org.gnome.Maps"},
        {"flatpak run --command=/app/bin/tool org.example.Tool", "tool"},
        {"snap run spotify", "spotify"},
        {"/snap/bin/code --new-window", "/snap/bin/code"},
        {"\"unclosed", "unclosed"},
        {"env", ""},
        {"flatpak run", ""},
        {"", ""},
        {"   ", ""},
    };
    for (const auto& [exec, program] : rows)
        EXPECT_EQ(execProgram(exec), program) << exec.toStdString();
}

}  // namespace
}  // namespace tarvel

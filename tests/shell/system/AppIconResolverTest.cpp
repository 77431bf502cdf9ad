#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "Printers.h"
#include "drain/ProcEnergy.h"
#include "shell/system/AppIconResolver.h"
#include "support/FixtureTree.h"

namespace tarvel {
namespace {

// Two data folders: the user's, which overrides one entry, and a system one with the rest.
class IconFixture {
public:
    IconFixture() {
        const auto icon = [&](const std::string& path, const QColor& color) {
            tree.write(path, "");  // makes the folders
            QImage image(16, 16, QImage::Format_ARGB32);
            image.fill(color);
            ASSERT_TRUE(image.save(QString::fromStdString(tree.root() + "/" + path), "PNG"));
        };
        const auto entry = [&](const std::string& name, const std::string& fields) {
            tree.write(name.rfind("user/", 0) == 0 ? name : "sys/applications/" + name,
                       "[Desktop Entry]\nType=Application\nName=Test\n" + fields);
        };
        const std::string hicolor = "sys/icons/hicolor/";
        icon(hicolor + "48x48/apps/tarvel-test-editor.png", Qt::red);
        icon(hicolor + "48x48/apps/tarvel-test-viewer.png", Qt::green);
        icon(hicolor + "32x32/apps/tarvel-test-viewer-user.png", Qt::cyan);
        icon(hicolor + "48x48/apps/tarvel-test-notes.png", Qt::yellow);
        icon(hicolor + "48x48/apps/tarvel-test-hidden.png", Qt::magenta);
        icon("sys/pixmaps/tarvel-test-player.png", Qt::gray);
        icon("elsewhere/blue.png", Qt::blue);

        entry("editor.desktop",
              "Exec=env GTK_THEME=Adwaita:dark /opt/tv/bin/tarvel-editor --new %F\n"
              "Icon=tarvel-test-editor\nName[de]=Editor\nIcon[de]=tarvel-test-hidden\n");
        entry("viewer.desktop",
              "Exec=\"/opt/My Apps/viewer\" %u\nStartupWMClass=TarvelViewerWin\n"
              "Icon=tarvel-test-viewer\n");
        entry("user/applications/viewer.desktop",
              "Exec=\"/opt/My Apps/viewer\" %u\nStartupWMClass=TarvelViewerWin\n"
              "Icon=tarvel-test-viewer-user.png\n");
        entry("sync.desktop",
              "Exec=/usr/bin/launch-wrapper --sync\n"
              "TryExec=/usr/libexec/tarvel-sync-daemon\nIcon=" +
                  tree.root() + "/elsewhere/blue.png\n");
        entry("org.example.Notes.desktop",
              "Exec=/usr/bin/flatpak run --branch=stable --command=notes-bin "
              "org.example.Notes @@u %U @@\nIcon=tarvel-test-notes\n");
        entry("player-helper.desktop",
              "Exec=tarvel-player --helper\nIcon=tarvel-test-hidden\nNoDisplay=true\n");
        entry("player.desktop", "Exec=tarvel-player\nIcon=tarvel-test-player\n");
        entry("lonely.desktop", "Exec=tarvel-lonely\nIcon=tarvel-test-editor\nHidden=true\n");
        entry("long.desktop", "Exec=tarvel-long-running-daemon\nIcon=tarvel-test-notes\n");
        entry("kde4/oldapp.desktop", "Exec=/weird/x\nIcon=tarvel-test-viewer\n");
        entry("broken-icon.desktop", "Exec=tarvel-broken\nIcon=" + tree.root() + "/missing.png\n");
        tree.write("sys/applications/link.desktop",
                   "[Desktop Entry]\nType=Link\nExec=tarvel-link\nIcon=tarvel-test-editor\n");

        // Junk: no group, binary noise, an unclosed quote, the fields past the read limit.
        tree.write("sys/applications/nogroup.desktop",
                   "Exec=tarvel-junk\nIcon=tarvel-test-editor\n");
        tree.write("sys/applications/noise.desktop",
                   std::string("\x00\xff\xfe[Desktop Entry\n=\n==\x01", 14));
        entry("quote.desktop", "Exec=\"tarvel-quote \\\nIcon=tarvel-test-editor\n");
        entry("huge.desktop",
              std::string(100 * 1024, '#') + "\nExec=tarvel-huge\nIcon=tarvel-test-editor\n");
        entry("not-an-entry.txt", "Exec=tarvel-txt\nIcon=tarvel-test-editor\n");

        const QString root = QString::fromStdString(tree.root());
        folders = {root + "/user/applications", root + "/sys/applications"};
    }

    test::FixtureTree tree;
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
}

TEST(ExecProgram, ReadsTheProgramOfAnExecLine) {
    const std::pair<QString, QString> rows[] = {
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

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "BundleFixture.h"
#include "shell/BuildInfo.h"
#include "support/LoopbackHttpServer.h"
#include "support/WaitUntil.h"
#include "update/UpdateController.h"
#include "update/UpdateProgressWindow.h"
#include "update/VersionOrder.h"

namespace tarvel {
namespace {

// What an alert showed before the test pressed one of its buttons.
struct Shown {
    QString text;
    QString informative;
    QStringList buttons;
    QString defaultButton;
    QString escapeButton;
    bool plainText = true;  // no label renders markup
};

// Presses `press` on the next alert that opens.
class AlertAnswerer {
public:
    explicit AlertAnswerer(QString press) : press_(std::move(press)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { answer(); });
        poll_.start(5);
    }
    std::optional<Shown> shown;

private:
    void answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || shown) return;
        Shown s{box->text(), box->informativeText(), {}, {}, {}, true};
        for (const QLabel* label : box->findChildren<QLabel*>())
            if (!label->text().isEmpty() && label->textFormat() != Qt::PlainText)
                s.plainText = false;
        for (QAbstractButton* button : box->buttons()) s.buttons << button->text();
        s.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        s.escapeButton = box->escapeButton() ? box->escapeButton()->text() : QString();
        shown = s;
        // An alert without that button is still closed, so a wrong alert fails, never hangs.
        QAbstractButton* chosen = box->escapeButton();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == press_) chosen = button;
        chosen->click();
    }
    QString press_;
    QTimer poll_;
};

class UpdateAlerts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.listening());
        setup_.endpoints = UpdateEndpoints::forHost(host());
        setup_.ssl = server_.clientConfiguration();
        setup_.paths = {dir_.path(), dir_.path() + "/.local/state/Tarvel", dir_.path() + "/.cache"};
        setup_.executable = "/usr/bin/tarvel";
    }
    // Runs `action` and answers the alert it opens with `press`.
    Shown answer(const std::function<void(UpdateController&)>& action, const QString& press) {
        UpdateController controller(setup_, {});
        AlertAnswerer answerer(press);
        action(controller);
        EXPECT_TRUE(test::waitUntil([&] { return answerer.shown.has_value(); }, 20000));
        return answerer.shown.value_or(Shown{});
    }

    QTemporaryDir dir_;
    QString host() const { return server_.url().authority(); }
    void serve(const QString& path, const QByteArray& body, int status = 200) {
        server_.route(path, test::LoopbackHttpServer::Response::answer(status, body));
    }

    test::LoopbackHttpServer server_{test::LoopbackHttpServer::Tls};
    InstallSetup setup_;
};

TEST_F(UpdateAlerts, ManualCheckReportsEachOutcome) {
    const QString running = displayLabel(TARVEL_VERSION);
    // Nothing served: the manifest does not decode.
    Shown failed = answer([](UpdateController& c) { c.checkManually(); }, "OK");
    EXPECT_EQ(failed.text, "Could Not Check for Updates");
    EXPECT_EQ(failed.informative,
              "Could not reach " + host() + ". Check your internet connection and try again.");

    // An experimental build is offered to no one who did not ask for it.
    serve("/tarvel-pro/version.json", R"({"latest":"v0.0.1","experimental":"v99-Experimental"})");
    Shown current = answer([](UpdateController& c) { c.checkManually(); }, "OK");
    EXPECT_EQ(current.text, "You're Up to Date");
    EXPECT_EQ(current.informative, "Tarvel " + running + " is the newest build available.");

    serve("/tarvel-pro/version.json", R"({"latest":"v99","beta":"v98.0-Pro-Beta <b>"})");
    Shown offer = answer([](UpdateController& c) { c.checkOnLaunch(); }, "Later");
    EXPECT_EQ(offer.text, "Tarvel Update Available");
    EXPECT_EQ(offer.informative, "You're running " + running +
                                     ".\n\nv98.0-Pro Beta <b> is available.\n\nDownload and "
                                     "install now? Tarvel will restart when done.");
    EXPECT_EQ(offer.buttons, (QStringList{"Install Update", "Later"}));
    EXPECT_EQ(offer.defaultButton, "Install Update");
    EXPECT_EQ(offer.escapeButton, "Later");
    EXPECT_TRUE(offer.plainText);
}

TEST_F(UpdateAlerts, UnfinishedUpdateIsReportedOnceWithTheRealLogPath) {
    const QString result = setup_.paths.resultPath();
    ASSERT_TRUE(test::writeFile(result, "pending|Update in progress…\n"));
    Shown shown = answer([](UpdateController& c) { c.checkPendingUpdateResult(); }, "OK");
    EXPECT_EQ(shown.text, "Previous Update Did Not Complete");
    EXPECT_EQ(shown.informative,
              "Update in progress…\n\nCheck ~/.local/state/Tarvel/update.log or reinstall from " +
                  host() + "/tarvel.");
    EXPECT_EQ(shown.buttons, (QStringList{"Open Website", "OK"}));
    EXPECT_FALSE(QFile::exists(result));
}

TEST_F(UpdateAlerts, InstallTellsWhyItStopped) {
    QDir().mkpath(dir_.path() + "/run");
    qputenv("XDG_RUNTIME_DIR", (dir_.path() + "/run").toUtf8());
    // Only a file dpkg knows is from a package.
    const std::pair<const char*, const char*> unreplaceable[] = {
        {"/usr/bin/dpkg", "installed from the \"dpkg\" package"},
        {"/usr/local/bin/tarvel", "This Tarvel runs from /usr/local/bin, which is neither"},
    };
    for (const auto& [executable, says] : unreplaceable) {
        setup_.executable = executable;
        Shown shown = answer([](UpdateController& c) { c.install("v9"); }, "OK");
        EXPECT_TRUE(shown.informative.contains(says)) << shown.informative.toStdString();
        EXPECT_EQ(shown.buttons, (QStringList{"Open Website", "OK"}));
    }

    setup_.executable = dir_.path() + "/Applications/Tarvel.app/bin/tarvel";
    UpdateProgressWindow* window = nullptr;
    Shown failed = answer(
        [&window](UpdateController& c) {
            c.install("v9");
            window = c.progressWindow();
        },
        "Cancel");
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(failed.text, "Update Failed");
    EXPECT_EQ(failed.informative,
              "Server returned HTTP 404 for Tarvel-v9.zip. Download manually from " + host() +
                  "/tarvel.");
    EXPECT_EQ(failed.buttons, (QStringList{"Open Website", "Cancel"}));
}

TEST(UpdateProgress, BarFollowsTheBytesWhenTheLengthIsKnown) {
    UpdateProgressWindow window("v2", "tarvel.app");
    window.showDownloadProgress(512, 2048);
    EXPECT_EQ(window.bar()->maximum(), 2048);
    EXPECT_EQ(window.bar()->value(), 512);
    window.showDownloadProgress(4096, 0);
    EXPECT_EQ(window.bar()->value(), 512);  // unknown length: the bar stays
    window.showDownloadProgress(std::int64_t(3) << 30, std::int64_t(4) << 30);  // past an int
    EXPECT_EQ(std::int64_t(window.bar()->value()) * 4, std::int64_t(window.bar()->maximum()) * 3);
    window.showInstalling();
    EXPECT_EQ(window.bar()->maximum(), 0);  // busy again, no stale fraction
}

}  // namespace
}  // namespace tarvel

// The dashboard's keys inside a real window with the application menu, whose Preferences item
// is bound to Ctrl+comma too.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "shell/AppNotifications.h"
#include "shell/ui/MainMenu.h"
#include "shell/ui/SurfaceWindow.h"
#include "views/TarvelOnboarding.h"
#include "views/dashboard/DashboardHeader.h"
#include "views/dashboard/DashboardRoot.h"
#include "views/support/ViewFixture.h"

namespace tarvel {
namespace {

class DashboardKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        TarvelOnboarding::markSeen(fixture.core().settings());
        window.setContent(root);
        installMainMenu(*window.menuBar(), {[this] { ++dashboardsOpened; },
                                            [this] { ++preferencesOpened; }, [] {}, [] {}});
        QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted,
                         &window, [this](const QString& name) {
                             if (name == tarvelCloseDashboard) ++closeRequests;
                         });
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Keys go where a user's would: to the widget with the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        ASSERT_EQ(focus->window(), &window);
        QTest::keyClick(focus, key, modifiers);
    }

    test::ViewFixture fixture{test::dischargingEnergyLaptop,
                              test::ViewFixture::Mode::fakeProcesses};
    SurfaceWindow window{"Tarvel Pro", QColor(13, 13, 20), QSize(440, 640), QSize(360, 420)};
    DashboardRoot* root = new DashboardRoot(fixture.services);
    int dashboardsOpened = 0;
    int preferencesOpened = 0;
    int closeRequests = 0;
};

TEST_F(DashboardKeysTest, CtrlCommaTogglesThePanelOverTheMenuAndCommaAloneDoesNothing) {
    // From the view's own key catcher, then from a button that took the focus.
    for (const bool focusOnButton : {false, true}) {
        SCOPED_TRACE(focusOnButton);
        if (focusOnButton) test::button(*root, "Refresh analysis")->setFocus();
        press(Qt::Key_Comma, Qt::ControlModifier);
        EXPECT_TRUE(root->isCustomizeOpen());
        press(Qt::Key_Comma);
        EXPECT_TRUE(root->isCustomizeOpen());
        press(Qt::Key_Comma, Qt::ControlModifier);
        EXPECT_FALSE(root->isCustomizeOpen());
        press(Qt::Key_Comma);
        EXPECT_FALSE(root->isCustomizeOpen());
    }
    EXPECT_EQ(preferencesOpened, 0);
    EXPECT_EQ(closeRequests, 0);
    // The menu's other shortcuts still reach it.
    press(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(dashboardsOpened, 1);
}

TEST_F(DashboardKeysTest, EscapeClosesThePanelFirstAndTheWindowOnTheSecondPress) {
    test::button(*root, "Refresh analysis")->setFocus();
    root->header()->layoutButton()->click();
    ASSERT_TRUE(root->isCustomizeOpen());
    press(Qt::Key_Escape);
    EXPECT_FALSE(root->isCustomizeOpen());
    EXPECT_EQ(closeRequests, 0);
    press(Qt::Key_Escape);
    EXPECT_EQ(closeRequests, 1);
    EXPECT_EQ(preferencesOpened, 0);
}

TEST_F(DashboardKeysTest, EditDeleteRemovesTheSelectedText) {
    auto* edit = new QLineEdit("battery", root);
    edit->show();
    edit->setFocus();
    edit->setSelection(0, 3);
    QMenu* menu = window.menuBar()->actions()[1]->menu();
    ASSERT_EQ(menu->title(), "Edit");
    for (QAction* action : menu->actions())
        if (action->text() == "Delete") action->trigger();
    EXPECT_EQ(edit->text(), "tery");
}

}  // namespace
}  // namespace tarvel

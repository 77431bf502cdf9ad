// The popover root: which style it draws, what every appearance resets, the welcome sheet, and
// a look at both styles on a discharging laptop.
#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "shell/AppNotifications.h"
#include "views/TarvelOnboardingSheet.h"
#include "views/TarvelTheme.h"
#include "views/components/Controls.h"
#include "views/popover/NewerList.h"
#include "views/popover/OriginalCards.h"
#include "views/popover/PopoverTestSupport.h"

namespace tarvel {
namespace {

using test::kPopoverSize;
using test::ViewFixture;

bool showsNewer(const MainRoot& root) {
    return qobject_cast<NewerList*>(root.content()) != nullptr;
}

TEST(MainRoot, ReadsTheStoredStyleWhenBuiltAndEveryAppearanceStoresNewer) {
    struct Case {
        const char* stored;  // nullptr: nothing stored
        bool newer;
    };
    for (const Case& c : {Case{nullptr, true}, Case{"original", false}, Case{"banana", true}}) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        ViewFixture fixture;
        if (c.stored) fixture.settings().setString(MenuChromeStyle::kKey, c.stored);
        EXPECT_EQ(MenuChromeStyle::current(fixture.settings()).isNewer(), c.newer);

        MainRoot root(fixture.services, kPopoverSize);
        EXPECT_EQ(root.chromeStyle().isNewer(), c.newer);
        EXPECT_EQ(showsNewer(root), c.newer);
        EXPECT_EQ(qobject_cast<OriginalCards*>(root.content()) != nullptr, !c.newer);

        QStringList posted;
        QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted, &root,
                         [&](const QString& name) { posted << name; });
        root.show();
        EXPECT_EQ(fixture.settings().string(MenuChromeStyle::kKey), "newer");
        EXPECT_TRUE(posted.contains(tarvelMenuBarDisplayChanged));
        EXPECT_TRUE(showsNewer(root));
    }
}

TEST(MainRoot, FollowsAStyleChangedWhileItIsShown) {
    ViewFixture fixture;
    auto root = test::shownRoot(fixture);
    // The chooser at the end of the list switches the open popover.
    auto* chooser = root->content()->findChild<SegmentedPicker*>();
    ASSERT_NE(chooser, nullptr);
    chooser->segment(1)->click();
    EXPECT_EQ(fixture.settings().string(MenuChromeStyle::kKey), "original");
    EXPECT_FALSE(showsNewer(*root));
    EXPECT_EQ(root->chromeStyle(), MenuChromeStyle::original);
    // Another notification with the style unchanged keeps the same content.
    QWidget* cards = root->content();
    postAppNotification(tarvelMenuBarDisplayChanged);
    EXPECT_EQ(root->content(), cards);
    // The next appearance goes back to the list.
    root->hide();
    root->show();
    EXPECT_TRUE(showsNewer(*root));
}

TEST(MainRoot, LoadsTheWhyAnalysisOnFirstAppearanceAndShowsTheWelcomeSheetUntilDismissed) {
    ViewFixture fixture;
    MainRoot root(fixture.services, kPopoverSize);
    EXPECT_FALSE(root.whyLoaded());
    root.show();
    ASSERT_TRUE(test::waitUntil([&] { return root.whyLoaded(); }));
    EXPECT_EQ(root.why()->summary, why_texts::kNoHistory);

    ASSERT_TRUE(root.isShowingOnboarding());
    auto* sheet = root.findChild<TarvelOnboardingSheet*>();
    ASSERT_NE(sheet, nullptr);
    // The sheet fits inside the popover.
    EXPECT_LE(sheet->width(), kPopoverSize.width());
    EXPECT_GE(sheet->x(), 0);
    sheet->gotItButton()->click();
    EXPECT_FALSE(root.isShowingOnboarding());
    EXPECT_TRUE(TarvelOnboarding::hasSeen(fixture.settings()));
    root.hide();
    root.show();
    EXPECT_FALSE(root.isShowingOnboarding());
}

// Both styles on a discharging laptop: the popover keeps its width and scrolls what does not fit.
// With TARVEL_POPOVER_SHOTS set, the pictures are written to that folder.
TEST(MainRoot, BothStylesKeepThePopoverWidthAndScrollTheRest) {
    for (const char* style : {"newer", "original"}) {
        SCOPED_TRACE(style);
        ViewFixture fixture;
        ASSERT_TRUE(fixture.readMachine());
        ASSERT_TRUE(fixture.sampleProcesses());
        auto root = test::shownRoot(fixture);
        if (std::string(style) == "original")
            MenuChromeStyle::set(fixture.settings(), MenuChromeStyle::original);
        QCoreApplication::processEvents();
        EXPECT_LE(root->content()->width(), kPopoverSize.width());
        const QScrollArea* scroll = root->scrollArea();
        if (root->content()->sizeHint().height() > kPopoverSize.height()) {
            EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
        }
        const QImage image = root->grab().toImage();
        EXPECT_EQ(image.pixelColor(2, 2).rgb(), TarvelColor::bg.color().rgb());
        const QByteArray folder = qgetenv("TARVEL_POPOVER_SHOTS");
        if (!folder.isEmpty()) {
            const QString base = QString::fromUtf8(folder) + "/popover-" + style;
            image.save(base + ".png");
            root->scrollArea()->verticalScrollBar()->setValue(
                root->scrollArea()->verticalScrollBar()->maximum());
            QCoreApplication::processEvents();
            root->grab().save(base + "-end.png");
        }
    }
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include "base/UserDefaults.h"
#include "support/FixtureTree.h"
#include "views/TarvelOnboarding.h"
#include "views/TarvelOnboardingSheet.h"
#include "views/TarvelTheme.h"

namespace tarvel {
namespace {

class OnboardingSheetTest : public ::testing::Test {
protected:
    test::FixtureTree support;
    std::string path = support.root() + "/defaults.json";
    UserDefaults defaults{path};
};

TEST_F(OnboardingSheetTest, IsACardOfFixedWidthThatWrapsItsTips) {
    TarvelOnboardingSheet sheet(defaults);
    sheet.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(sheet.width(), 340);
    EXPECT_EQ(sheet.maximumWidth(), 340);
    // Every text fits inside the card's padding.
    for (const QLabel* label : sheet.findChildren<QLabel*>()) {
        SCOPED_TRACE(label->text().toStdString());
        const QRect inSheet(label->mapTo(&sheet, QPoint(0, 0)), label->size());
        EXPECT_GE(inSheet.left(), 22);
        EXPECT_LE(inSheet.right(), 340 - 22);
        // Nothing is cut off: wrapped details get the height their lines need.
        if (label->wordWrap())
            EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        else
            EXPECT_GE(label->width(), label->sizeHint().width());
    }
    EXPECT_EQ(sheet.gotItButton()->width(), 340 - 2 * 22);
}

TEST_F(OnboardingSheetTest, GotItRemembersTheSheetForEveryLaterSurface) {
    ASSERT_FALSE(TarvelOnboarding::hasSeen(defaults));
    // Only a boolean true counts as seen.
    defaults.setString(TarvelOnboarding::kSeenKey, "yes");
    EXPECT_FALSE(TarvelOnboarding::hasSeen(defaults));
    defaults.setBool(TarvelOnboarding::kSeenKey, false);
    EXPECT_FALSE(TarvelOnboarding::hasSeen(defaults));
    TarvelOnboardingSheet sheet(defaults);
    int dismissals = 0;
    QObject::connect(&sheet, &TarvelOnboardingSheet::dismissed, [&] { ++dismissals; });
    sheet.show();
    sheet.gotItButton()->click();
    EXPECT_EQ(dismissals, 1);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_TRUE(TarvelOnboarding::hasSeen(defaults));
    // Another surface reading the same settings file later does not show the sheet again.
    UserDefaults later{path};
    EXPECT_TRUE(TarvelOnboarding::hasSeen(later));
}

TEST_F(OnboardingSheetTest, DrawsARoundedCardOnATransparentGround) {
    TarvelOnboardingSheet sheet(defaults);
    sheet.show();
    QCoreApplication::processEvents();
    const QImage image = sheet.grab().toImage();
    if (const QByteArray dir = qgetenv("TARVEL_SNAPSHOT_DIR"); !dir.isEmpty())
        image.save(QString::fromLocal8Bit(dir) + "/onboarding-sheet.png");
    const qreal dpr = image.devicePixelRatio();
    const auto at = [&](int x, int y) { return image.pixelColor(QPoint(x, y) * dpr); };
    // Outside the rounded corner nothing is drawn; inside the padding it is the card colour.
    EXPECT_EQ(at(1, 1).alpha(), 0);
    EXPECT_EQ(at(sheet.width() - 2, sheet.height() - 2).alpha(), 0);
    EXPECT_EQ(at(8, sheet.height() / 2).rgb(), TarvelColor::card.color().rgb());
    EXPECT_EQ(at(sheet.width() / 2, 8).rgb(), TarvelColor::card.color().rgb());
}

}  // namespace
}  // namespace tarvel

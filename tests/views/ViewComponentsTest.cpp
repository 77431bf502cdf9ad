#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "base/Clock.h"
#include "base/UserDefaults.h"
#include "support/FixtureTree.h"
#include "support/WaitUntil.h"
#include "telemetry/SocPowerSample.h"
#include "views/TarvelCopy.h"
#include "views/TarvelOnboardingSheet.h"
#include "views/TarvelTheme.h"
#include "views/WhyLoader.h"
#include "views/components/MonitorSection.h"
#include "views/components/PowerDistributionView.h"
#include "views/components/Sparkline.h"
#include "views/components/TarvelText.h"
#include "views/symbols/TarvelSymbol.h"

namespace tarvel {
namespace {

TEST(MonitorSection, HeaderClickTogglesTheStoredFlagWhichTheNextSectionReads) {
    test::FixtureTree dir;
    UserDefaults settings(dir.root() + "/defaults.json");
    MonitorSection section("Power", Qt::green, "test.section", "bolt.fill", settings);
    section.content()->addWidget(plainLabel("row", 12, Qt::white));
    section.show();
    EXPECT_TRUE(section.isExpanded());  // never toggled: open

    QTest::mouseClick(section.header(), Qt::LeftButton);
    EXPECT_FALSE(section.isExpanded());
    EXPECT_TRUE(section.content()->itemAt(0)->widget()->isHidden() ||
                !section.content()->itemAt(0)->widget()->isVisibleTo(&section));

    MonitorSection again("Power", Qt::green, "test.section", "bolt.fill", settings);
    EXPECT_FALSE(again.isExpanded());
}

TEST(PowerDistribution, FractionsStayWithinTheTrackWhateverThePackageReads) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        double watts, total, fraction;
    } rows[] = {{2, 4, 0.5}, {1, 0, 0}, {1, -3, 0}, {1, nan, 0},
                {nan, 4, 0}, {6, 4, 1}, {-1, 4, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.watts << " of " << r.total);
        EXPECT_DOUBLE_EQ(PowerDistributionBar::fraction(r.watts, r.total), r.fraction);
    }
    PowerDistributionView view(true);
    view.setWatts(1.5, 0.5, 0, 0.4, 0.1, 0);
    for (const auto* bar : view.bars()) EXPECT_EQ(bar->fraction(), 0);
    EXPECT_EQ(view.bars()[0]->wattsText(), "1.5 W");
    // RAPL has no neural-engine or "other" counter: those bars go.
    view.setWatts(
        1.5, 0.5, 0, 0.4, 0, 2.4,
        domainBit(ChannelKind::cpu) | domainBit(ChannelKind::gpu) | domainBit(ChannelKind::dram));
    for (std::size_t i = 0; i < view.bars().size(); ++i)
        EXPECT_EQ(view.bars()[i]->isVisibleTo(&view), i != 2 && i != 4) << i;
}

TEST(Sparkline, ScalesFiniteValuesIntoTheAreaAndDrawsAFlatLineInTheMiddle) {
    const QRectF area(0, 0, 100, 20);
    EXPECT_TRUE(Sparkline::points({}, area).empty());
    EXPECT_TRUE(Sparkline::points({3, std::nan("")}, area).empty());
    const auto rising = Sparkline::points({1, std::nan(""), 2, 3}, area);
    ASSERT_EQ(rising.size(), 3u);
    EXPECT_EQ(rising.front(), QPointF(0, 20));
    EXPECT_EQ(rising.back(), QPointF(100, 0));
    for (const QPointF& p : Sparkline::points({5, 5, 5}, area)) EXPECT_EQ(p.y(), 10);
}

// A tooltip is markup either way: the text goes in escaped.
TEST(PlainToolTip, ShowsMarkupAsWritten) {
    QTextDocument tip;
    tip.setHtml(plainToolTip("/opt/<b>x</b> & y"));
    EXPECT_EQ(tip.toPlainText(), "/opt/<b>x</b> & y");
}

TEST(WhyLoader, AnswersOnTheMainThreadAndFoldsRequestsMadeWhileRunning) {
    test::FixtureTree dir;
    WhyLoader loader(dir.root() + "/never-written.jsonl", Clock::system());
    QSignalSpy loaded(&loader, &WhyLoader::loaded);
    loader.load();
    loader.load();  // while the first runs: one more run after it
    loader.load();
    ASSERT_TRUE(test::waitUntil([&] { return loaded.count() >= 2 && !loader.isLoading(); }));
    EXPECT_EQ(loaded.count(), 2);

    // Going away mid-analysis neither crashes nor delivers.
    auto* early = new WhyLoader(dir.root() + "/missing.jsonl", Clock::system());
    early->load();
    delete early;
}

// The chip for a drop, then the friendly time, as "chip | time".
TEST(TarvelCopy, StatusChipAndFriendlyTimeAtTheirBoundaries) {
    const auto power = [](bool present, int level, bool charging, bool onAC, const char* time,
                          std::optional<std::int64_t> minutes) {
        return PowerFacts{present, level, charging, onAC, 0, time, "", minutes};
    };
    const struct {
        PowerFacts power;
        int drop;
        const char* shown;
    } rows[] = {
        {power(false, 0, false, true, "", {}), 9, "Desktop | Running on power adapter"},
        // Charging beats a fast drop.
        {power(true, 40, true, true, "30 min to full", 30), 9, "Charging | 30 min to full"},
        {power(true, 40, false, false, "1:35 left", 95), 4, "On battery | 1:35 left"},
        {power(true, 40, false, false, "Calculating…", 95), 5,
         "Draining fast | Estimating time left…"},
        {power(true, 40, false, false, "1:35 left", {}), 0, "On battery | Estimating time left…"},
        {power(true, 40, true, true, "Charging", {}), 0, "Charging | Estimating time left…"},
        // On AC without charging there is nothing to estimate.
        {power(true, 100, false, true, "Full · on AC", {}), 0, "Full | Full · on AC"},
        // A drop on AC is no drain.
        {power(true, 99, false, true, "1:35 left", 95), 9, "Plugged in | 1:35 left"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(
            TarvelCopy::statusChip(r.power, r.drop) + " | " + TarvelCopy::friendlyTime(r.power),
            r.shown);
}

// At a device ratio of 2 a symbol draws over its whole pixmap, not into the top-left quarter
// only; an unknown name draws nothing.
TEST(TarvelSymbol, DrawsOverTheWholeSharpPixmapAndUnknownNamesDrawNothing) {
    const auto inkIn = [](const QImage& image, const QRect& area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
        return n;
    };
    const QString name = TarvelSymbol::names().front();
    const QPixmap sharp = TarvelSymbol::pixmap(name, Qt::white, 16, 2);
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(16, 16));
    const QImage image = sharp.toImage();
    EXPECT_GT(inkIn(image, QRect(16, 0, 16, 32)) + inkIn(image, QRect(0, 16, 32, 16)), 0);
    EXPECT_FALSE(TarvelSymbol::has("battery.50"));
    const QImage blank = TarvelSymbol::pixmap("no.such.symbol", Qt::white, 16).toImage();
    EXPECT_EQ(inkIn(blank, blank.rect()), 0);
}

TEST(OnboardingSheet, EveryTextFitsInTheCardUncut) {
    test::FixtureTree dir;
    UserDefaults defaults(dir.root() + "/defaults.json");
    TarvelOnboardingSheet sheet(defaults);
    sheet.show();
    QCoreApplication::processEvents();
    for (const QLabel* label : sheet.findChildren<QLabel*>()) {
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_TRUE(
            sheet.rect().contains(QRect(label->mapTo(&sheet, QPoint(0, 0)), label->size())));
        if (label->wordWrap())
            EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        else
            EXPECT_GE(label->width(), label->sizeHint().width());
    }
    // A rounded card: nothing drawn in the corners, the card colour inside the padding.
    const QImage image = sheet.grab().toImage();
    const auto at = [&](int x, int y) {
        return image.pixelColor(QPoint(x, y) * image.devicePixelRatio());
    };
    EXPECT_EQ(at(1, 1).alpha(), 0);
    EXPECT_EQ(at(sheet.width() - 2, sheet.height() - 2).alpha(), 0);
    EXPECT_EQ(at(8, sheet.height() / 2).rgb(), TarvelColor::card.color().rgb());
}

}  // namespace
}  // namespace tarvel

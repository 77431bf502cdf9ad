#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "base/Clock.h"
#include "base/UserDefaults.h"
#include "drain/WhyDrain.h"
#include "support/FixtureTree.h"
#include "support/WaitUntil.h"
#include "telemetry/SocPowerSample.h"
#include "views/WhyLoader.h"
#include "views/components/Controls.h"
#include "views/components/MonitorSection.h"
#include "views/components/PowerDistributionView.h"
#include "views/components/Sparkline.h"
#include "views/components/TarvelText.h"

namespace tarvel {
namespace {

TEST(MonitorSection, HeaderClickTogglesTheStoredFlagWhichTheNextSectionReads) {
    test::FixtureTree dir;
    UserDefaults settings(dir.root() + "/defaults.json");
    MonitorSection section("Power", Qt::green, "test.section", "bolt.fill", settings);
    section.content()->addWidget(plainLabel("row", 12, Qt::white));
    section.show();
    EXPECT_TRUE(section.isExpanded());  // never toggled: open
    EXPECT_FALSE(section.hasSparkline());

    QTest::mouseClick(section.header(), Qt::LeftButton);
    EXPECT_FALSE(section.isExpanded());
    EXPECT_EQ(settings.boolValue("test.section"), false);
    EXPECT_TRUE(section.content()->itemAt(0)->widget()->isHidden() ||
                !section.content()->itemAt(0)->widget()->isVisibleTo(&section));

    MonitorSection again("Power", Qt::green, "test.section", "bolt.fill", settings);
    EXPECT_FALSE(again.isExpanded());
    again.setSparkline(std::vector<double>{1, 2});
    EXPECT_TRUE(again.hasSparkline());
    again.setSparkline(std::nullopt);
    EXPECT_FALSE(again.hasSparkline());
}

TEST(CommitSlider, ValuesPassedWhileDraggingAreShownButOnlyTheReleasedOneCommits) {
    CommitSlider slider(1, 30);
    slider.showValue(14);
    QSignalSpy committed(&slider, &CommitSlider::committed);
    QSignalSpy moved(&slider, &CommitSlider::moved);
    slider.setSliderDown(true);
    for (int v : {10, 1, 7, 14}) slider.setValue(v);
    EXPECT_EQ(committed.count(), 0);
    EXPECT_EQ(moved.count(), 4);
    slider.setValue(12);
    slider.setSliderDown(false);
    ASSERT_EQ(committed.count(), 1);
    EXPECT_EQ(committed.at(0).at(0).toInt(), 12);
    // A key press or a click on the track is a choice of its own.
    slider.setValue(13);
    ASSERT_EQ(committed.count(), 2);
    EXPECT_EQ(committed.at(1).at(0).toInt(), 13);
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

TEST(PlainLabel, ShowsMarkupAsWritten) {
    QLabel* label = plainLabel("<b>chrome</b> & <img src=x>", 12, Qt::white);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), "<b>chrome</b> & <img src=x>");
    delete label;
    // A tooltip is markup either way: the text goes in escaped.
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
    ASSERT_TRUE(loader.last());
    EXPECT_EQ(loader.last()->summary, why_texts::kNoHistory);

    // Going away mid-analysis neither crashes nor delivers.
    auto* early = new WhyLoader(dir.root() + "/missing.jsonl", Clock::system());
    early->load();
    delete early;
}

}  // namespace
}  // namespace tarvel

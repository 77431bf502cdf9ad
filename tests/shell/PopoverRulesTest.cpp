#include <gtest/gtest.h>

#include "shell/PopoverRules.h"

namespace tarvel {
namespace {

TEST(PopoverRules, SizeToleranceGuardAndDashboardWidth) {
    struct SizeRow {
        std::optional<double> visible;
        double height;
    };
    for (const SizeRow& row :
         {SizeRow{std::nullopt, 520}, SizeRow{1080, 520}, SizeRow{620, 520}, SizeRow{619, 519},
          SizeRow{501, 401}, SizeRow{500, 400}, SizeRow{300, 400}}) {
        const auto size = adaptivePopoverSize(row.visible);
        EXPECT_EQ(size, (PopoverSize{300, row.height})) << row.visible.value_or(-1);
    }

    const PopoverSize last{300, 480};
    EXPECT_FALSE(popoverNeedsResize(last, {300, 488}, true));  // 8 points: within tolerance
    EXPECT_TRUE(popoverNeedsResize(last, {300, 489}, true));
    EXPECT_TRUE(popoverNeedsResize(last, {300, 471.5}, true));
    EXPECT_TRUE(popoverNeedsResize(last, last, false));  // a cold popover is always sized

    PopoverReopenGuard guard;
    EXPECT_TRUE(guard.mayOpen(0));
    guard.noteClosed(100);
    EXPECT_FALSE(guard.mayOpen(100.34));  // the click that closed it
    EXPECT_TRUE(guard.mayOpen(100.351));

    // The dashboard only ever grows on a preference change, and not for 8 pixels or less.
    EXPECT_EQ(dashboardWidthAfterPrefsChange(420, kCardWidthWide), 520);
    EXPECT_EQ(dashboardWidthAfterPrefsChange(520, kCardWidthNarrow), std::nullopt);
    EXPECT_EQ(dashboardWidthAfterPrefsChange(436, kCardWidthRegular), std::nullopt);
    EXPECT_EQ(dashboardWidthAfterPrefsChange(431, kCardWidthRegular), 440);
    EXPECT_EQ(dashboardWidthAfterPrefsChange(380, kCardWidthNarrow), 400);
}

}  // namespace
}  // namespace tarvel

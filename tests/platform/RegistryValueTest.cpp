#include <gtest/gtest.h>

#include "platform/RegistryJson.h"

using tarvel::RegNumber;

TEST(RegNumber, ReadsWrappedAndLossyValuesTheWayTheBatteryControllerNeeds) {
    const auto wrapped = RegNumber::fromUnsigned(18446744073709550116ull);  // 2^64 - 1500
    EXPECT_FALSE(wrapped.signed64());
    EXPECT_EQ(wrapped.unsigned64AsSigned(), -1500);
    EXPECT_EQ(wrapped.low32Signed(), -1500);

    const auto wrapped32 = RegNumber::fromSigned(4294966680);  // 2^32 - 616
    EXPECT_EQ(wrapped32.signed64(), 4294966680);
    EXPECT_EQ(wrapped32.low32Signed(), -616);

    EXPECT_FALSE(RegNumber::fromReal(3.7).signed64());
    EXPECT_EQ(RegNumber::fromReal(12.0).signed64(), 12);
    EXPECT_TRUE(RegNumber::fromSigned(-1).truthy());
}

TEST(RegistryJson, IntegersAboveTheSignedRangeStayExact) {
    const auto j = nlohmann::json::parse(
        R"({"InstantAmperage": 18446744073709550116, "Voltage": 12000, "IsCharging": true,
            "Watts": 96.5, "Name": "x", "CellVoltage": [3850, 3849], "Gone": null})");
    const auto v = tarvel::regValueFromJson(j);
    ASSERT_TRUE(v && v->dict());
    const auto& d = *v->dict();
    EXPECT_EQ(d.at("InstantAmperage").number()->unsigned64AsSigned(), -1500);
    EXPECT_TRUE(*d.at("IsCharging").boolean());
    EXPECT_EQ(d.at("Watts").number()->real(), 96.5);
    EXPECT_EQ(d.count("Gone"), 0u);
    EXPECT_EQ(tarvel::regValueToJson(*v)["InstantAmperage"].get<std::uint64_t>(),
              18446744073709550116ull);
}

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QUrl>
#include <nlohmann/json.hpp>

#include "BundleFixture.h"
#include "support/FixtureTree.h"

namespace tarvel {
namespace {

TEST(UpdateCommand, SaysWhatTheLaunchCheckWouldOffer) {
    QTemporaryDir dir;
    const QString manifest = dir.filePath("version.json");
    const std::string url = QUrl::fromLocalFile(manifest).toString().toStdString();

    ASSERT_TRUE(test::writeFile(manifest, R"({"latest":"v99.0","beta":"v98.1-Pro-Beta"})"));
    auto offered = test::runTarvelctl({"update", "check", "--manifest-url", url, "--json"});
    ASSERT_EQ(offered.status, 0) << offered.err;
    const auto json = nlohmann::json::parse(offered.out);
    EXPECT_EQ(json["candidate"], "v98.1-Pro-Beta");
    EXPECT_EQ(json["candidateLabel"], "v98.1-Pro Beta");
    EXPECT_EQ(json["newer"], true);

    ASSERT_TRUE(test::writeFile(manifest, R"({"latest":"v0.0.1"})"));
    auto current = test::runTarvelctl({"update", "check", "--manifest-url", url});
    EXPECT_EQ(current.status, 0);
    EXPECT_NE(current.out.find("Available: v0.0.1\nUp to date"), std::string::npos) << current.out;

    ASSERT_TRUE(test::writeFile(manifest, R"({"beta":"v1"})"));
    auto broken = test::runTarvelctl({"update", "check", "--manifest-url", url});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("could not fetch or read the manifest"), std::string::npos);

    EXPECT_EQ(test::runTarvelctl({"update", "check", "--manifest-url", "ftp://x/v.json"}).status,
              2);
    EXPECT_EQ(test::runTarvelctl({"update", "install"}).status, 2);
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include "update/VersionManifest.h"

namespace tarvel {
namespace {

TEST(VersionManifest, DecodesOnlyWellTypedDocuments) {
    struct Case {
        const char* json;
        bool decodes;
    };
    const Case cases[] = {
        {R"({"latest":"v1"})", true},
        {R"({"latest":"v1","beta":null,"experimental":null,"releases":null})", true},
        {R"({"latest":"v1","unknown":{"deep":[1,2]},"releases":{"other":1}})", true},
        {R"({"latest":"v1","releases":{"stable":{"zip":null}}})", true},
        {R"({"beta":"v1"})", false},
        {R"({"latest":1})", false},
        {R"({"latest":null})", false},
        {R"({"latest":"v1","beta":2})", false},
        {R"({"latest":"v1","experimental":[]})", false},
        {R"({"latest":"v1","releases":"x"})", false},
        {R"({"latest":"v1","releases":{"beta":"x"}})", false},
        {R"({"latest":"v1","releases":{"beta":{"zip":5}}})", false},
        {R"(["latest"])", false},
        {"<html>404</html>", false},
        {"", false},
        {R"({"latest":"v1")", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionManifest::decode(c.json).has_value(), c.decodes) << c.json;

    // The check reads the same document without "releases".
    EXPECT_TRUE(VersionManifest::decode(R"({"latest":"v1","releases":"x"})", false));
}

TEST(VersionManifest, CandidatePrefersBeta) {
    const auto both = VersionManifest::decode(R"({"latest":"v0.1.7","beta":"v0.1.6-Pro-Beta"})");
    ASSERT_TRUE(both);
    EXPECT_EQ(both->candidate(), "v0.1.6-Pro-Beta");
    const auto onlyLatest = VersionManifest::decode(R"({"latest":"v0.1.7","experimental":"v9"})");
    ASSERT_TRUE(onlyLatest);
    EXPECT_EQ(onlyLatest->candidate(), "v0.1.7");
}

TEST(VersionManifest, ChoosesTheArchiveForTheVersion) {
    const char* full = R"({"latest":"v2","beta":"v3-Beta","experimental":"v4-Experimental",
        "releases":{"stable":{"zip":"S.zip"},"beta":{"zip":"B.zip"},
                    "experimental":{"zip":"E.zip"}}})";
    const char* stableOnly = R"({"latest":"v2","releases":{"stable":{"zip":"S.zip"}}})";
    const char* betaOnly = R"({"latest":"v2","releases":{"beta":{"zip":"B.zip"}}})";
    const char* noReleases = R"({"latest":"v2"})";
    struct Case {
        const char* json;
        const char* version;
        const char* archive;
    };
    const Case cases[] = {
        {full, "v3-Beta", "B.zip"},
        {full, "v2", "B.zip"},  // a beta archive serves latest too
        {full, "v4-Experimental", "E.zip"},
        {full, "v7", "B.zip"},
        {stableOnly, "v2", "S.zip"},
        {stableOnly, "v3", "Tarvel-v3.zip"},
        {betaOnly, "v9", "B.zip"},
        {noReleases, "v2", "Tarvel-v2.zip"},
        {R"({"latest":"v2","releases":{"experimental":{"zip":"E.zip"}}})", "v5", "Tarvel-v5.zip"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseArchiveName(VersionManifest::decode(c.json), c.version), c.archive)
            << c.json << " for " << c.version;
    }
    EXPECT_EQ(chooseArchiveName(std::nullopt, "v1.0"), "Tarvel-v1.0.zip");
}

TEST(VersionManifest, AcceptsOnlyPlainArchiveNames) {
    const std::pair<const char*, bool> names[] = {
        {"Tarvel-v0.1.6-Pro-Beta.zip", true},
        {"tarvel_1.2.zip", true},
        {"../../.bashrc", false},
        {"../Tarvel.zip", false},
        {"a/Tarvel.zip", false},
        {"/tmp/Tarvel.zip", false},
        {".hidden.zip", false},
        {"-rf.zip", false},
        {"Tarvel.zip\n", false},
        {"Tarvel.tar.gz", false},
        {".zip", false},
        {"Tarvel v1.zip", false},
        {"Tarvel%2F..zip", false},
    };
    for (const auto& [name, safe] : names) EXPECT_EQ(isSafeArchiveName(name), safe) << name;

    EXPECT_TRUE(isSafeVersion("v0.1.5-Pro-Beta"));
    EXPECT_FALSE(isSafeVersion("../../x"));
    EXPECT_FALSE(isSafeVersion("v1\n"));
    EXPECT_FALSE(isSafeVersion(""));
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>

#include "update/BundleLocation.h"
#include "update/UpdatePaths.h"
#include "update/VersionManifest.h"
#include "update/VersionOrder.h"

namespace tarvel {
namespace {

TEST(VersionOrder, OrdersNumbersThenChannelThenText) {
    struct Case {
        const char* a;
        const char* b;
        bool newer;
    };
    const Case cases[] = {
        {"v0.1.5-Pro-Beta", "v0.1.5-Pro-Beta", false},
        {"0.1.6", "v0.1.5-Pro-Beta", true},
        {"v0.1.5-Pro", "v0.1.5-Pro-Beta", false},
        {"v0.1.5-Pro-Experimental", "v0.1.5-Pro-Beta", true},
        {"v0.1.5-Final", "v0.1.5", true},
        {"v0.1.5-Final", "v0.1.5-stable", false},  // same rank: the text decides
        {"1.2.0", "1.2", true},
        {"1.2", "1.2.0", false},
        {"v1.10", "v1.9", true},  // numbers, not text
        {"v2", "v1.99.99", true},
        {"V1.3", "v1.3", false},  // case does not count
        {"v1.3", "V1.3", false},
        {"Pro", "", true},
        {"v1-BETA", "v1-final", true},                   // the channel's case does not count either
        {"v1-Beta-Experimental", "v1-Zeta-Beta", true},  // the highest channel named counts
    };
    for (const Case& c : cases) EXPECT_EQ(isNewer(c.a, c.b), c.newer) << c.a << " against " << c.b;
}

TEST(VersionOrder, NumbersAndLabels) {
    using Numbers = std::vector<std::int64_t>;
    EXPECT_EQ(versionNumbers("v0.1.5-Pro-Beta"), (Numbers{0, 1, 5}));
    EXPECT_EQ(versionNumbers("V2.10"), (Numbers{2, 10}));
    EXPECT_EQ(versionNumbers("v2.0-beta3"), (Numbers{2, 0, 3}));
    EXPECT_EQ(versionNumbers("Pro"), Numbers{});
    EXPECT_EQ(versionNumbers(" \tv1.2 \t"), (Numbers{1, 2}));
    EXPECT_EQ(versionNumbers("version 3"), Numbers{3});
    EXPECT_EQ(versionNumbers("\nv1.2"), (Numbers{1, 2}));  // a newline is not trimmed: no "v" drop
    // A run too long for 64 bits, or of other scripts' digits, is skipped.
    EXPECT_EQ(versionNumbers("1.99999999999999999999.3"), (Numbers{1, 3}));
    EXPECT_EQ(versionNumbers(QString::fromUtf8("1.\u0663.2")), (Numbers{1, 2}));
    EXPECT_EQ(versionNumbers(QString::fromUtf8("1.2\U0001D7CE3.4")), (Numbers{1, 4}));  // one run

    EXPECT_EQ(displayLabel("v1-Experimental"), "v1 Experimental");
    EXPECT_EQ(displayLabel("v1-Final"), "v1 Final");
    EXPECT_EQ(displayLabel("v1-beta"), "v1-beta");  // case-sensitive
}

TEST(BundleLocation, OnlyAnInstalledBundleIsUpdatable) {
    EXPECT_EQ(runningBundle("/home/a/Applications/Tarvel.app/bin/tarvel"),
              "/home/a/Applications/Tarvel.app");
    EXPECT_EQ(runningBundle("/opt/Tarvel.app/bin/tarvel"), "/opt/Tarvel.app");
    EXPECT_FALSE(runningBundle("/usr/bin/tarvel"));
    EXPECT_FALSE(runningBundle("/home/a/src/tarvel/build/src/tarvel/tarvel"));
    EXPECT_FALSE(runningBundle("/home/a/MyTarvel.app/bin/tarvel"));
    EXPECT_FALSE(runningBundle("/home/a/Tarvel.app/bin/tarvelctl"));

    EXPECT_EQ(installPathLabel("/opt/Tarvel.app/bin/tarvel"), "/opt");
    EXPECT_EQ(installPathLabel("/home/a/Applications/Tarvel.app/bin/tarvel"),
              "/home/a/Applications/Tarvel.app");
    EXPECT_EQ(installPathLabel("/usr/bin/tarvel"), "/usr/bin");
}

TEST(BundleLocation, DestinationFollowsWhereTheBundleRuns) {
    QTemporaryDir home;
    const UpdatePaths paths{home.path(), home.path() + "/state", home.path() + "/cache"};
    const QString user = home.path() + "/Applications/Tarvel.app";
    const QString writable = home.path() + "/apps/Tarvel.app";
    QDir().mkpath(writable);

    EXPECT_EQ(installDestination("/opt/Tarvel.app", paths), "/opt/Tarvel.app");
    EXPECT_EQ(installDestination("/media/a/stick/Tarvel.app", paths), user);
    EXPECT_EQ(installDestination("/run/media/a/stick/Tarvel.app", paths), user);
    EXPECT_EQ(installDestination(writable, paths), writable);  // in place
    if (::geteuid() != 0) {                                    // root may write anywhere
        EXPECT_EQ(installDestination("/usr/lib/Tarvel.app", paths), user);
    }
}

// Someone else's runtime folder, or one open to others when this is not root, is not worked in
// (the install test works in a runtime folder of its own).
TEST(UpdatePaths, WorksOnlyInsideARuntimeFolderOfItsOwn) {
    QTemporaryDir dir;
    const QString runtime = dir.path() + "/run";
    QDir().mkdir(runtime);
    if (::chown(QFile::encodeName(runtime).constData(), 65534, 65534) != 0)
        ::chmod(QFile::encodeName(runtime).constData(), 0755);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    const QString work = privateWorkDir();
    EXPECT_FALSE(work.startsWith(runtime)) << work.toStdString();
    QDir(work).removeRecursively();
    qunsetenv("XDG_RUNTIME_DIR");
}

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

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "update/DownloadCheck.h"

namespace tarvel {
namespace {

class DownloadCheck : public ::testing::Test {
protected:
    // Writes `head` followed by zero bytes up to `size`.
    QString archive(const QByteArray& head, qint64 size) {
        const QString path = dir_.filePath("Tarvel-v2.zip");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray bytes = head.left(size);
        bytes.append(QByteArray(size - bytes.size(), '\0'));
        file.write(bytes);
        return path;
    }
    std::optional<QString> check(const DownloadOutcome& outcome, const QString& path) {
        return validateDownload(outcome, path, "Tarvel-v2.zip", "tarvel.app/tarvel",
                                [this](const QString& line) { logged_ << line; });
    }

    QTemporaryDir dir_;
    QStringList logged_;
};

TEST_F(DownloadCheck, FirstProblemWinsInOrder) {
    const QString html = "Got HTML instead of App ZIP. File may be missing on the server.";
    const QString notZip = "Downloaded file is not a valid ZIP.";
    struct Case {
        DownloadOutcome outcome;
        QByteArray head;
        qint64 size;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {{QString("Connection refused"), std::nullopt},
         "PK\x03\x04",
         40000,
         "Could not download Tarvel-v2.zip: Connection refused"},
        // The status comes before any look at the file, even a good one.
        {{std::nullopt, 404},
         "PK\x03\x04",
         40000,
         "Server returned HTTP 404 for Tarvel-v2.zip. Download manually from tarvel.app/tarvel."},
        {{std::nullopt, 200}, "<html>", 40000, html},
        {{std::nullopt, 0}, "<!", 2, html},
        {{std::nullopt, 200}, "<", 1, notZip},
        {{std::nullopt, 200}, "PK\x03", 3, notZip},
        {{std::nullopt, 200}, "ZIP!", 40000, notZip},
        {{std::nullopt, 200},
         "PK\x03\x04",
         39999,
         "Downloaded package is too small (39999 bytes)."},
        {{std::nullopt, 200}, "PK\x03\x04", 40000, std::nullopt},
        {{std::nullopt, std::nullopt}, "PK\x05\x06", 41000, std::nullopt},
    };
    for (const Case& c : cases) {
        const QString path = archive(c.head, c.size);
        EXPECT_EQ(check(c.outcome, path), c.message) << c.head.toStdString() << " " << c.size;
    }
    EXPECT_EQ(check({}, dir_.filePath("missing.zip")), "Download did not save Tarvel-v2.zip.");
    EXPECT_TRUE(logged_.contains("Downloaded Tarvel-v2.zip: 39999 bytes"));
}

TEST(DownloadText, BytesAndProgress) {
    const std::pair<std::int64_t, const char*> sizes[] = {
        {0, "0 B"},     {1023, "1023 B"},     {1024, "1 KB"},      {1535, "1 KB"},
        {1536, "2 KB"}, {1048575, "1024 KB"}, {1048576, "1.0 MB"}, {15938355, "15.2 MB"},
    };
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(formatBytes(bytes), text) << bytes;

    EXPECT_EQ(downloadProgressText(512, 2048, "v2"), "25% · 512 B of 2 KB");
    EXPECT_EQ(downloadProgressText(2047, 2048, "v2"), "99% · 2 KB of 2 KB");
    EXPECT_EQ(downloadProgressText(4096, 2048, "v2"), "100% · 4 KB of 2 KB");
    EXPECT_EQ(downloadProgressText(3 * 1048576, 0, "v2"), "3.0 MB downloaded · v2");
    EXPECT_EQ(downloadProgressText(10, -1, "v2"), "10 B downloaded · v2");
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "assistant/chat/PlusFileDownloads.h"

namespace tarvel {
namespace {

TEST(PlusFileDownloadsTest, LinksAreHttpOnlyWithoutTheSentenceAroundThem) {
    struct Case {
        QString text;
        QStringList links;
    };
    const Case cases[] = {
        {"see https://example.com/a.zip.", {"https://example.com/a.zip"}},
        {"http://a.org/x, https://b.org/y; and https://c.org/z!",
         {"http://a.org/x", "https://b.org/y", "https://c.org/z"}},
        {"(see https://example.com/a)", {"https://example.com/a"}},
        {"https://en.wikipedia.org/wiki/Li-ion_(battery))",
         {"https://en.wikipedia.org/wiki/Li-ion_(battery)"}},
        {"[the file](https://example.com/f.pdf)", {"https://example.com/f.pdf"}},
        {"[https://example.com/f.pdf](https://example.com/f.pdf)",
         {"https://example.com/f.pdf", "https://example.com/f.pdf"}},
        {"twice: https://x.io/a https://x.io/a", {"https://x.io/a", "https://x.io/a"}},
        {"“https://example.com/q?a=1&b=2”…", {"https://example.com/q?a=1&b=2"}},
        {"<https://example.com/in-brackets>", {"https://example.com/in-brackets"}},
        {"example.com/file.zip www.example.com me@example.com", {}},
        {"ftp://example.com/f mailto:me@example.com file:///etc/passwd", {}},
        {"HTTPS://EXAMPLE.COM/upper", {}},
        {"xhttps://example.com/glued https:// http://", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlusFileDownloads::urls(c.text), c.links) << c.text.toStdString();
}

TEST(PlusFileDownloadsTest, NamesFromLinksStayPlainFileNames) {
    struct Case {
        QString url;
        QString name;
    };
    const Case cases[] = {
        {"https://example.com/files/report.pdf", "report.pdf"},
        {"https://example.com/files/my%20notes.txt?x=1#top", "my notes.txt"},
        {"https://example.com/dir/", "dir"},
        {"https://example.com", "download"},
        {"https://example.com/", "download"},
        {"https://example.com/..%2F..%2F.ssh%2Fid_rsa", "-..-.ssh-id_rsa"},
        {"https://example.com/%2E%2E", "download"},
        {"https://example.com/.bashrc", "bashrc"},
        {"https://example.com/a%5Cb%00c", "a-b-c"},
        {"https://example.com/photo%E2%80%AEgpj.exe", "photo-gpj.exe"},
        {"https://example.com/a%E2%80%8Bb%F3%A0%81%81", "a-b-"},
        {"https://example.com/" + QString(300, 'x') + ".zip", QString(196, 'x') + ".zip"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlusFileDownloads::fileNameForLink(c.url), c.name) << c.url.toStdString();
}

TEST(PlusFileDownloadsTest, TakenNamesGetANumberAndAreNeverReplaced) {
    QTemporaryDir folder;
    const auto touch = [&](const QString& name, const QByteArray& content) {
        QFile file(folder.path() + "/" + QString(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    touch("chat.md", "old");
    touch("chat-2.md", "old");
    EXPECT_EQ(PlusFileDownloads::uniqueURL(folder.path(), "a/b:c", "md"),
              folder.path() + "/a-b-c.md");
    EXPECT_EQ(PlusFileDownloads::uniqueURL(folder.path(), "chat", "md"),
              folder.path() + "/chat-3.md");

    const PlusFileResult saved = PlusFileDownloads::saveText(folder.path(), "new", "chat", "md");
    EXPECT_EQ(saved.path, folder.path() + "/chat-3.md");
    touch("incoming", "fresh");
    const PlusFileResult placed = PlusFileDownloads::placeWithoutOverwrite(
        folder.path() + "/incoming", folder.path(), "chat.md");
    EXPECT_EQ(placed.path, folder.path() + "/chat-4.md");
    for (const char* name : {"chat.md", "chat-2.md"}) {
        QFile file(folder.path() + "/" + QString(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "old") << name;
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

}  // namespace
}  // namespace tarvel

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>

#include "ChatFixture.h"
#include "assistant/ai/PlusOpenRouterModels.h"
#include "assistant/chat/PlusFileDownloads.h"

namespace tarvel {
namespace {

using test::ChatFixture;
using test::waitUntil;

QString read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return QString::fromUtf8(file.readAll());
}

PlusChatMessage reply(const QString& text) {
    return {QUuid::createUuid(), "assistant", text, false};
}

TEST(PlusChatModelTest, ProviderErrorsBecomeBubblesThatAreNotSentAgain) {
    ChatFixture chat;
    // Without a key: the client's own error (PlusAIClientTest's) is the reply.
    chat.exchange("first");
    ASSERT_EQ(chat.model.messages().size(), 2);

    chat.storeKey(PlusAIProvider::openRouter, "sk-test");
    chat.replyWith("fine");
    chat.exchange("second");
    ASSERT_EQ(chat.server.requests().size(), 1);
    EXPECT_EQ(chat.sentTurns(0), (QStringList{"user: first", "user: second"}));
    EXPECT_EQ(chat.model.messages().size(), 4);
}

TEST(PlusChatModelTest, ProviderAndOpenRouterModelAreKeptInTheSettings) {
    ChatFixture chat;
    const auto started = [&] {
        return PlusChatModel(chat.settings, chat.client, chat.keys, chat.clock, chat.downloads,
                             chat.network)
            .provider();
    };
    EXPECT_EQ(chat.model.provider(), PlusAIProvider::openRouter);
    chat.model.setProvider(PlusAIProvider::anthropic);
    EXPECT_EQ(started(), PlusAIProvider::anthropic);
    // Only the exact stored name counts; anything else is the default.
    chat.settings.setString(PlusChatModel::kProviderKey, "anthropic");
    EXPECT_EQ(started(), PlusAIProvider::openRouter);

    chat.model.setProvider(PlusAIProvider::openRouter);
    chat.model.setOpenRouterModel("  openai/gpt-4o ");
    EXPECT_EQ(PlusOpenRouterModels::selected(chat.settings), "openai/gpt-4o");
    chat.model.setOpenRouterCustom("  my/model ");
    EXPECT_EQ(chat.model.resolvedModel(), "my/model");
}

TEST(PlusChatModelTest, KeyFieldSaysSavedOnlyWhenTheKeyringKeptIt) {
    struct Case {
        bool refuse;
        QString draft;
        QString status;
        QString stored;
    };
    const Case cases[] = {
        {false, " sk-new ", "Key saved on this computer", "sk-new"},
        {false, "", "No key saved", ""},
        {true, "sk-new", "Key not saved: the keyring did not accept it", "sk-old"},
    };
    for (const Case& c : cases) {
        ChatFixture chat;
        chat.storeKey(PlusAIProvider::openRouter, "sk-old");
        chat.secrets.refuseWrites = c.refuse;
        chat.model.setKeyDraft(c.draft);
        chat.model.saveKeyField();
        EXPECT_TRUE(waitUntil([&] { return chat.model.status() == c.status; }))
            << c.draft.toStdString() << " → " << chat.model.status().toStdString();
        EXPECT_EQ(chat.keys.get(PlusAIProvider::openRouter), c.stored);
        chat.model.setKeyDraft("typed");
        chat.model.loadKeyField();
        EXPECT_EQ(chat.model.keyDraft(), c.stored);
    }
}

TEST(PlusChatModelTest, ExportNamesTheFileByTheTimeAndWritesEveryMessage) {
    ChatFixture chat;
    chat.model.exportChatMarkdown();
    ASSERT_EQ(chat.exports.size(), 1);
    EXPECT_EQ(chat.exports[0].name, "tarvel-pro-chat-2026-12-05T14-25-55Z");
    EXPECT_EQ(chat.exports[0].contents,
              "# Tarvel Pro chat\n\nProvider: OpenRouter · Model: openrouter/auto\n\n");

    chat.storeKey(PlusAIProvider::openRouter, "sk-test");
    chat.server.route("/api/v1/chat/completions", test::answer(500, "overloaded"));
    chat.exchange("why so hot?");
    chat.model.exportChatMarkdown();
    EXPECT_EQ(chat.exports[1].contents,
              "# Tarvel Pro chat\n\nProvider: OpenRouter · Model: openrouter/auto\n\n"
              "## You\n\nwhy so hot?\n\n## OpenRouter\n\nOpenRouter HTTP 500: overloaded\n\n");
}

TEST(PlusChatModelTest, SavesInTheSameSecondGetTheirOwnFiles) {
    ChatFixture chat;
    const QString stamp = QString::number(qint64(test::kNow));
    const QString reply1 = chat.downloads + "/tarvel-pro-reply-" + stamp;
    for (const char* text : {"first <b>reply</b>", "second reply", "third reply"})
        chat.model.saveMessage(reply(text));
    chat.model.saveMessage({QUuid::createUuid(), "user", "my prompt", false});
    EXPECT_EQ(
        chat.downloadedFiles(),
        (QStringList{"tarvel-pro-prompt-" + stamp + ".md", "tarvel-pro-reply-" + stamp + "-2.md",
                     "tarvel-pro-reply-" + stamp + "-3.md", "tarvel-pro-reply-" + stamp + ".md"}));
    EXPECT_EQ(read(reply1 + ".md"), "first <b>reply</b>");
    EXPECT_EQ(read(reply1 + "-2.md"), "second reply");
    EXPECT_EQ(read(reply1 + "-3.md"), "third reply");
    EXPECT_EQ(chat.model.status(), "Saved tarvel-pro-prompt-" + stamp + ".md");
    EXPECT_EQ(chat.revealed.size(), 4);

    // Downloads is a file: nothing can be written under it.
    QDir(chat.downloads).removeRecursively();
    QFile blocker(chat.downloads);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    chat.model.saveMessage(reply("lost"));
    EXPECT_TRUE(chat.model.status().startsWith("Save failed: "))
        << chat.model.status().toStdString();
}

TEST(PlusChatModelTest, DownloadsKeepEveryFileAndNeverReplaceOne) {
    ChatFixture chat;
    chat.server.route("/files/report.pdf", test::answer(200, "PDF"));
    chat.server.route("/files/notes", test::answer(200, "NOTES"));
    {
        QFile mine(chat.downloads + "/notes");
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
    }
    const QString base = chat.server.url().toString() + "/files/";
    chat.model.downloadLinks(
        reply("Get " + base + "report.pdf, or (" + base + "report.pdf). And " + base + "notes."));
    EXPECT_EQ(chat.model.status(), "Downloading 3 file(s)…");
    ASSERT_TRUE(waitUntil([&] { return chat.model.status() == "Downloaded to Downloads"; }))
        << chat.model.status().toStdString();
    EXPECT_EQ(chat.downloadedFiles(),
              (QStringList{"notes", "notes-2", "report-2.pdf", "report.pdf"}));
    EXPECT_EQ(read(chat.downloads + "/notes"), "mine");
    EXPECT_EQ(read(chat.downloads + "/notes-2"), "NOTES");
    EXPECT_EQ(read(chat.downloads + "/report-2.pdf"), "PDF");
    EXPECT_EQ(chat.revealed, QStringList{chat.model.lastSavedPath()});
}

TEST(PlusChatModelTest, ManyLinksAreFetchedAFewAtATime) {
    ChatFixture chat;
    chat.server.route("/f", test::answer(200, "F"));
    QString text;
    for (int i = 0; i < 40; ++i) text += chat.server.url().toString() + "/f ";
    chat.model.downloadLinks(reply(text));
    // Those waiting hold neither a connection nor a partial file.
    EXPECT_LE(chat.network.findChildren<QNetworkReply*>().size(),
              PlusChatModel::kConcurrentDownloads);
    EXPECT_TRUE(chat.downloadedFiles().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return chat.model.status() == "Downloaded to Downloads"; }))
        << chat.model.status().toStdString();
    EXPECT_EQ(chat.downloadedFiles().size(), 40);
}

TEST(PlusChatModelTest, DownloadsRefuseWhatIsNotAWebFileAndStayInDownloads) {
    struct Case {
        QString message;
        QString status;
        QStringList files;
        PlusDownloadLimits limits{1000, 60'000, 60'000};
    };
    ChatFixture chat;
    chat.server.route("/..%2F..%2Fescaped", test::answer(200, "x"));
    chat.server.route("/big.iso", test::answer(200, QByteArray(5000, 'x')));
    chat.server.route("/silent", test::LoopbackHttpServer::Response::noAnswer());
    chat.server.route("/partial.bin",
                      test::LoopbackHttpServer::Response::rawAnswer(
                          "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + QByteArray(38, 'x')));
    chat.server.route("/to-file", test::LoopbackHttpServer::Response::answer(
                                      302, "", {{"Location", "file:///etc/hostname"}}));
    const QString base = chat.server.url().toString();
    const Case cases[] = {
        {"example.com/f.zip ftp://example.com/f", "No download links in that message", {}},
        {base + "/..%2F..%2Fescaped", "Downloaded to Downloads", {"-..-escaped"}},
        {base + "/big.iso", "Download too large (over 1000 bytes)", {}},
        // The server's answer is kept whatever its status, as a browser would.
        {base + "/missing.txt", "Downloaded to Downloads", {"missing.txt"}},
        {base + "/silent", "Download timed out", {}, {1000, 300, 60'000}},
        // Cut short, or sent where no web download goes: nothing is kept.
        {base + "/partial.bin", "Connection closed", {}},
        {base + "/to-file", "Unknown protocol specified", {}},
    };
    for (const Case& c : cases) {
        QDir(chat.downloads).removeRecursively();
        QDir().mkpath(chat.downloads);
        chat.model.setDownloadLimits(c.limits);
        chat.model.downloadLinks(reply(c.message));
        EXPECT_TRUE(waitUntil([&] { return chat.model.status() == c.status; }))
            << c.message.toStdString() << " → " << chat.model.status().toStdString();
        EXPECT_TRUE(waitUntil([&] { return chat.downloadedFiles() == c.files; }))
            << c.message.toStdString() << " → " << chat.downloadedFiles().join(",").toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(chat.dir.path() + "/escaped"));
    EXPECT_FALSE(QFileInfo::exists(chat.dir.path() + "/../escaped"));
}

TEST(PlusFileDownloadsTest, LinksAreHttpOnlyWithoutTheSentenceAroundThem) {
    struct Case {
        QString text;
        QStringList links;
    };
    const Case cases[] = {
        {"http://a.org/x, https://b.org/y; and https://c.org/z!",
         {"http://a.org/x", "https://b.org/y", "https://c.org/z"}},
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

}  // namespace
}  // namespace tarvel

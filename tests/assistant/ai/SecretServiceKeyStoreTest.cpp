// Runs under with-secret-service.sh: a private session bus with an unlocked gnome-keyring.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "KeyStoreHarness.h"
#include "assistant/ai/KeychainSecretStore.h"

namespace tarvel {
namespace {

using test::kMigrated;

struct KeyStoreTest : ::testing::Test, test::KeyStoreHarness {
    KeychainSecretStore secrets;
    std::unique_ptr<PlusAIKeyStore> started() { return KeyStoreHarness::started(secrets); }
    // What the Secret Service itself holds, asked with another client.
    static QString lookup(const QString& account) {
        QProcess tool;
        tool.start("secret-tool",
                   {"lookup", "server", KeychainSecretStore::standardService(), "user", account});
        tool.waitForFinished(20000);
        return QString::fromUtf8(tool.readAllStandardOutput());
    }
    QByteArray settingsFile() const {
        QFile file(QString::fromStdString(settings.path()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(KeyStoreTest, SetStoresTheTrimmedKeyAndABlankOneDeletesIt) {
    settings.setBool(kMigrated, true);
    settings.setString("tarvelpro.ai.key.OpenAI", "legacy");
    auto store = started();
    EXPECT_EQ(store->get(PlusAIProvider::openai), "legacy");

    struct Step {
        QString written;
        QString kept;
    };
    for (const Step& step : {Step{"  ab \n", "ab"}, Step{"cd", "cd"}, Step{"  \t", ""}}) {
        SCOPED_TRACE(step.written.toStdString());
        EXPECT_TRUE(set(*store, PlusAIProvider::openai, step.written));
        EXPECT_EQ(store->get(PlusAIProvider::openai), step.kept);
        EXPECT_EQ(lookup("OpenAI"), step.kept);
        EXPECT_EQ(started()->get(PlusAIProvider::openai), step.kept);
        EXPECT_FALSE(settings.contains("tarvelpro.ai.key.OpenAI"));
    }
    EXPECT_FALSE(settingsFile().contains("ab"));
    EXPECT_EQ(store->get(PlusAIProvider::gemini), "");
}

TEST_F(KeyStoreTest, MigrationMovesLegacyKeysOnceAndReadsThemBack) {
    settings.setString("tarvelpro.ai.key.OpenRouter", " or-key ");
    settings.setString("tarvelpro.ai.key.Gemini", "");
    settings.setString("tarvelpro.ai.key.Anthropic", "an-key");
    auto store = started();

    EXPECT_EQ(settings.boolValue(kMigrated), true);
    EXPECT_EQ(store->get(PlusAIProvider::openRouter), " or-key ");  // moved as it was stored
    EXPECT_EQ(store->get(PlusAIProvider::anthropic), "an-key");
    EXPECT_EQ(lookup("OpenRouter"), " or-key ");
    EXPECT_EQ(lookup("Anthropic"), "an-key");
    EXPECT_FALSE(settings.contains("tarvelpro.ai.key.OpenRouter"));
    EXPECT_FALSE(settings.contains("tarvelpro.ai.key.Anthropic"));
    EXPECT_FALSE(settingsFile().contains("an-key"));

    // Written again by hand after the move: shown only where the store holds no key.
    settings.setString("tarvelpro.ai.key.OpenRouter", "by-hand");
    settings.setString("tarvelpro.ai.key.Gemini", "by-hand");
    auto again = started();
    EXPECT_EQ(again->get(PlusAIProvider::openRouter), " or-key ");
    EXPECT_EQ(again->get(PlusAIProvider::gemini), "by-hand");
    EXPECT_EQ(lookup("Gemini"), "");
}

TEST_F(KeyStoreTest, AnItemHoldingNothingCountsAsMissing) {
    settings.setBool(kMigrated, true);
    settings.setString("tarvelpro.ai.key.OpenAI", "legacy");
    std::optional<bool> written;
    secrets.write("OpenAI", "", [&](bool ok) { written = ok; });
    ASSERT_TRUE(test::waitUntil([&] { return written.has_value(); }, 20000));
    EXPECT_EQ(started()->get(PlusAIProvider::openai), "legacy");
}

}  // namespace
}  // namespace tarvel

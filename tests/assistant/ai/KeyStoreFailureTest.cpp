#include <gtest/gtest.h>

#include <QDir>

#include "KeyStoreHarness.h"
#include "MemorySecretStore.h"
#include "assistant/ai/KeychainSecretStore.h"

namespace tarvel {
namespace {

using test::kMigrated;

// A failed save keeps the legacy key; clearing removes it all the same.
void checkKeysKept(test::KeyStoreHarness& h, SecretStore& secrets) {
    h.settings.setString("tarvelpro.ai.key.OpenAI", "old");
    const auto store = h.started(secrets);
    EXPECT_FALSE(h.settings.contains(kMigrated));
    EXPECT_EQ(store->get(PlusAIProvider::openai), "old");

    EXPECT_FALSE(h.set(*store, PlusAIProvider::openai, "new"));
    EXPECT_EQ(store->get(PlusAIProvider::openai), "old");
    EXPECT_EQ(h.settings.string("tarvelpro.ai.key.OpenAI"), "old");
    EXPECT_TRUE(h.set(*store, PlusAIProvider::openai, " "));
    EXPECT_EQ(store->get(PlusAIProvider::openai), "");
    EXPECT_FALSE(h.settings.contains("tarvelpro.ai.key.OpenAI"));
}

TEST(PlusAIKeyStoreFailure, WithoutASecretServiceNothingIsLostOrSavedElsewhere) {
    // No session bus to find a Secret Service on.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarvel-test-bus");
    qunsetenv("DISPLAY");
    qunsetenv("XDG_CURRENT_DESKTOP");
    test::KeyStoreHarness h;
    KeychainSecretStore secrets;
    checkKeysKept(h, secrets);
    // No plain-text fallback file appeared beside the settings.
    EXPECT_EQ(QDir(h.dir.path()).entryList(QDir::Files), QStringList{"defaults.json"});
    EXPECT_TRUE(QDir(qEnvironmentVariable("XDG_CONFIG_HOME"))
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                    .isEmpty());
}

TEST(PlusAIKeyStoreFailure, AWriteThatIsNotReadBackIsNotSaved) {
    test::KeyStoreHarness h;
    test::MemorySecretStore secrets;
    secrets.forgetWrites = true;
    checkKeysKept(h, secrets);
}

TEST(PlusAIKeyStoreFailure, QueuedSetsFinishInOrderAndTheLastOneHolds) {
    test::KeyStoreHarness h;
    test::MemorySecretStore secrets;
    PlusAIKeyStore store(h.settings, secrets);
    store.load();  // the sets queue behind the load
    std::vector<QString> finished;
    for (const QString& value : {QString("one"), QString("two"), QString("three")})
        store.set(PlusAIProvider::gemini, value, [&, value](bool saved) {
            if (saved) finished.push_back(value);
        });
    ASSERT_TRUE(test::waitUntil([&] { return finished.size() == 3; }));
    EXPECT_EQ(finished, (std::vector<QString>{"one", "two", "three"}));
    EXPECT_EQ(store.get(PlusAIProvider::gemini), "three");
    EXPECT_EQ(h.settings.boolValue(kMigrated), true);
}

}  // namespace
}  // namespace tarvel

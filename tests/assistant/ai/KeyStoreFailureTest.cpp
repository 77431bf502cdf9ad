#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <deque>
#include <map>
#include <optional>

#include "assistant/ai/KeychainSecretStore.h"
#include "assistant/ai/PlusAIKeyStore.h"
#include "base/UserDefaults.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

constexpr const char* kMigrated = "tarvelpro.ai.keychain.migrated.v1";

// A secret store whose writes claim success but keep nothing, as when an unlock prompt is
// dismissed and the backend still reports the write done.
class ForgetfulStore : public QObject, public SecretStore {
public:
    std::map<QString, QString> items;
    bool keepWrites = false;

    void read(const QString& account, std::function<void(Read)> done) override {
        const auto found = items.find(account);
        later([=, this] {
            done({true, found == items.end() ? std::nullopt : std::optional(found->second)});
        });
    }
    void write(const QString& account, const QString& value,
               std::function<void(bool)> done) override {
        if (keepWrites) items[account] = value;
        later([done] { done(true); });
    }
    void remove(const QString&, std::function<void(bool)> done) override {
        later([done] { done(true); });
    }

private:
    void later(std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    }
};

struct Failing {
    QTemporaryDir dir;
    UserDefaults settings{(dir.path() + "/defaults.json").toStdString()};

    static bool set(PlusAIKeyStore& store, PlusAIProvider provider, const QString& value) {
        std::optional<bool> saved;
        store.set(provider, value, [&](bool ok) { saved = ok; });
        EXPECT_TRUE(test::waitUntil([&] { return saved.has_value(); }, 30000));
        return saved.value_or(true);
    }
    // A failed save keeps the legacy key; clearing removes it all the same.
    void checkKeysKept(SecretStore& secrets) {
        settings.setString("tarvelpro.ai.key.OpenAI", "old");
        PlusAIKeyStore store(settings, secrets);
        store.load();
        ASSERT_TRUE(test::waitUntil([&] { return store.isLoaded(); }, 30000));
        EXPECT_FALSE(settings.contains(kMigrated));
        EXPECT_EQ(store.get(PlusAIProvider::openai), "old");

        EXPECT_FALSE(set(store, PlusAIProvider::openai, "new"));
        EXPECT_EQ(store.get(PlusAIProvider::openai), "old");
        EXPECT_EQ(settings.string("tarvelpro.ai.key.OpenAI"), "old");
        EXPECT_TRUE(set(store, PlusAIProvider::openai, " "));
        EXPECT_EQ(store.get(PlusAIProvider::openai), "");
        EXPECT_FALSE(settings.contains("tarvelpro.ai.key.OpenAI"));
    }
};

TEST(PlusAIKeyStoreFailure, WithoutASecretServiceNothingIsLostOrSavedElsewhere) {
    // No session bus to find a Secret Service on.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarvel-test-bus");
    qunsetenv("DISPLAY");
    qunsetenv("XDG_CURRENT_DESKTOP");
    Failing f;
    KeychainSecretStore secrets;
    f.checkKeysKept(secrets);
    // No plain-text fallback file appeared beside the settings.
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"defaults.json"});
    EXPECT_TRUE(QDir(qEnvironmentVariable("XDG_CONFIG_HOME"))
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                    .isEmpty());
}

TEST(PlusAIKeyStoreFailure, AWriteThatIsNotReadBackIsNotSaved) {
    Failing f;
    ForgetfulStore secrets;
    f.checkKeysKept(secrets);
}

TEST(PlusAIKeyStoreFailure, QueuedSetsFinishInOrderAndTheLastOneHolds) {
    Failing f;
    ForgetfulStore secrets;
    secrets.keepWrites = true;
    PlusAIKeyStore store(f.settings, secrets);
    store.load();
    std::vector<QString> finished;
    for (const QString& value : {QString("one"), QString("two"), QString("three")})
        store.set(PlusAIProvider::gemini, value, [&, value](bool saved) {
            if (saved) finished.push_back(value);
        });
    ASSERT_TRUE(test::waitUntil([&] { return finished.size() == 3; }));
    EXPECT_EQ(finished, (std::vector<QString>{"one", "two", "three"}));
    EXPECT_EQ(store.get(PlusAIProvider::gemini), "three");
    EXPECT_EQ(f.settings.boolValue(kMigrated), true);
}

}  // namespace
}  // namespace tarvel

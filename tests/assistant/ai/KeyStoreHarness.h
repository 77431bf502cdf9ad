#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "assistant/ai/PlusAIKeyStore.h"
#include "base/UserDefaults.h"
#include "support/WaitUntil.h"

namespace tarvel::test {

inline constexpr const char* kMigrated = "tarvelpro.ai.keychain.migrated.v1";

// Settings of their own, and key stores over them as the application starts one.
struct KeyStoreHarness {
    QTemporaryDir dir;
    UserDefaults settings{(dir.path() + "/defaults.json").toStdString()};

    // Its cache loaded from `secrets`.
    std::unique_ptr<PlusAIKeyStore> started(SecretStore& secrets) {
        auto store = std::make_unique<PlusAIKeyStore>(settings, secrets);
        store->load();
        EXPECT_TRUE(waitUntil([&] { return store->isLoaded(); }, 30000));
        return store;
    }
    // Whether the store says it saved `value`.
    static bool set(PlusAIKeyStore& store, PlusAIProvider provider, const QString& value) {
        std::optional<bool> saved;
        store.set(provider, value, [&](bool ok) { saved = ok; });
        EXPECT_TRUE(waitUntil([&] { return saved.has_value(); }, 30000));
        return saved.value_or(false);
    }
};

}  // namespace tarvel::test

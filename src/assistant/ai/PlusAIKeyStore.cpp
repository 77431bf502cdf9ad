#include "assistant/ai/PlusAIKeyStore.h"

#include <QPointer>

#include "assistant/ai/SecretStore.h"
#include "base/UserDefaults.h"

namespace tarvel {

namespace {

constexpr const char* kMigratedFlag = "tarvelpro.ai.keychain.migrated.v1";

std::string legacyKey(PlusAIProvider provider) {
    return storageKey(provider).toStdString();
}

}  // namespace

PlusAIKeyStore::PlusAIKeyStore(UserDefaults& settings, SecretStore& secrets, QObject* parent)
    : QObject(parent), settings_(settings), secrets_(secrets) {}

void PlusAIKeyStore::load() {
    enqueue([this](std::function<void()> finished) { readKeys(0, std::move(finished)); });
}

QString PlusAIKeyStore::get(PlusAIProvider provider) const {
    if (const auto cached = cache_.find(provider);
        cached != cache_.end() && !cached->second.isEmpty())
        return cached->second;
    const auto legacy = settings_.string(legacyKey(provider));
    return legacy ? QString::fromStdString(*legacy) : QString();
}

void PlusAIKeyStore::set(PlusAIProvider provider, const QString& value,
                         std::function<void(bool saved)> done) {
    const QString trimmed = value.trimmed();
    enqueue([this, provider, trimmed, done = std::move(done)](std::function<void()> finished) {
        storeVerified(provider, trimmed, [this, provider, trimmed, done, finished](bool saved) {
            if (saved) {
                if (trimmed.isEmpty())
                    cache_.erase(provider);
                else
                    cache_[provider] = trimmed;
            }
            // Clearing always drops the plain-text key, even when no keyring answers: it would
            // otherwise go on being sent. It is cleared when no key is left to send.
            if (saved || trimmed.isEmpty()) {
                settings_.remove(legacyKey(provider));
                emit keysChanged();
            }
            if (done) done(saved || (trimmed.isEmpty() && get(provider).isEmpty()));
            finished();
        });
    });
}

void PlusAIKeyStore::enqueue(Operation operation) {
    queue_.push_back(std::move(operation));
    runNext();
}

void PlusAIKeyStore::runNext() {
    if (running_ || queue_.empty()) return;
    running_ = true;
    Operation operation = std::move(queue_.front());
    queue_.pop_front();
    QPointer<PlusAIKeyStore> self(this);
    operation([self] {
        if (!self) return;
        self->running_ = false;
        self->runNext();
    });
}

void PlusAIKeyStore::readKeys(std::size_t index, std::function<void()> finished) {
    if (index == kAllPlusAIProviders.size()) {
        migrate(0, true, std::move(finished));
        return;
    }
    const PlusAIProvider provider = kAllPlusAIProviders[index];
    QPointer<PlusAIKeyStore> self(this);
    secrets_.read(rawValue(provider), [self, provider, index, finished](SecretStore::Read read) {
        if (!self) return;
        // An item holding "" counts as none; an unreadable store leaves the legacy fallback.
        if (read.ok && read.value && !read.value->isEmpty())
            self->cache_[provider] = *read.value;
        else if (read.ok)
            self->cache_.erase(provider);
        self->readKeys(index + 1, finished);
    });
}

void PlusAIKeyStore::migrate(std::size_t index, bool allMoved, std::function<void()> finished) {
    const bool done = settings_.boolValue(kMigratedFlag).value_or(false);
    if (done || index == kAllPlusAIProviders.size()) {
        if (!done && allMoved) settings_.setBool(kMigratedFlag, true);
        loaded_ = true;
        emit keysChanged();
        emit loaded();
        finished();
        return;
    }
    const PlusAIProvider provider = kAllPlusAIProviders[index];
    const auto legacy = settings_.string(legacyKey(provider));
    if (!legacy || legacy->empty()) {
        migrate(index + 1, allMoved, std::move(finished));
        return;
    }
    // Moved as it was stored, untrimmed; the plain-text entry goes only once the store holds it.
    const QString value = QString::fromStdString(*legacy);
    QPointer<PlusAIKeyStore> self(this);
    storeVerified(provider, value, [self, provider, value, index, allMoved, finished](bool moved) {
        if (!self) return;
        if (moved) {
            self->cache_[provider] = value;
            self->settings_.remove(legacyKey(provider));
        }
        self->migrate(index + 1, allMoved && moved, finished);
    });
}

void PlusAIKeyStore::storeVerified(PlusAIProvider provider, const QString& value,
                                   std::function<void(bool)> done) {
    const QString account = rawValue(provider);
    QPointer<PlusAIKeyStore> self(this);
    auto readBack = [self, account, value, done](bool ok) {
        if (!self || !ok) {
            if (self) done(false);
            return;
        }
        self->secrets_.read(account, [self, value, done](SecretStore::Read read) {
            if (!self) return;
            const QString held = read.value.value_or(QString());
            done(read.ok && held == value);
        });
    };
    if (value.isEmpty())
        secrets_.remove(account, std::move(readBack));
    else
        secrets_.write(account, value, std::move(readBack));
}

}  // namespace tarvel

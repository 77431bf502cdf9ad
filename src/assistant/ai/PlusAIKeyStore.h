#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>

#include "assistant/ai/PlusAIProvider.h"

namespace tarvel {

class SecretStore;
class UserDefaults;

// The providers' API keys, kept in the desktop's secret store (never in the settings file).
// The secret store answers asynchronously while views read keys on every render, so the keys
// are cached: `load()` fills the cache once at start, and `get` reads only the cache.
class PlusAIKeyStore : public QObject {
    Q_OBJECT

public:
    PlusAIKeyStore(UserDefaults& settings, SecretStore& secrets, QObject* parent = nullptr);

    // Reads the four keys into the cache, then moves legacy plain-text keys into the secret
    // store once (the migration flag is set only when every move was read back). Emits
    // `loaded` when done.
    void load();
    bool isLoaded() const { return loaded_; }

    // The cached key ("" when none), else the legacy settings entry.
    QString get(PlusAIProvider provider) const;

    // Stores the trimmed key (an empty one deletes it), reads it back, and only then updates
    // the cache and removes the legacy entry. `done(true)` when the store holds what was
    // asked; when a key fails to save the previous one stays and `done(false)` carries no key
    // text. An empty key always removes the legacy entry.
    void set(PlusAIProvider provider, const QString& value,
             std::function<void(bool saved)> done = {});

signals:
    void loaded();
    void keysChanged();

private:
    // One operation at a time, so a read-back never sees another operation's write.
    using Operation = std::function<void(std::function<void()> finished)>;
    void enqueue(Operation operation);
    void runNext();
    void readKeys(std::size_t index, std::function<void()> finished);
    void migrate(std::size_t index, bool allMoved, std::function<void()> finished);
    // Writes `value` (an empty one deletes the item) and reads it back.
    void storeVerified(PlusAIProvider provider, const QString& value,
                       std::function<void(bool)> done);

    UserDefaults& settings_;
    SecretStore& secrets_;
    std::map<PlusAIProvider, QString> cache_;
    bool loaded_ = false;
    std::deque<Operation> queue_;
    bool running_ = false;
};

}  // namespace tarvel

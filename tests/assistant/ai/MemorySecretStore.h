#pragma once

#include <QMap>
#include <QTimer>

#include "assistant/ai/SecretStore.h"

namespace tarvel::test {

// Secrets in memory, answered from the event loop like the desktop's store; `refuseWrites`
// plays a keyring that will not take a key, `forgetWrites` one whose writes claim success but
// keep nothing (an unlock prompt dismissed while the backend still reports the write done).
class MemorySecretStore : public SecretStore {
public:
    bool refuseWrites = false;
    bool forgetWrites = false;
    QMap<QString, QString> items;

    void read(const QString& account, std::function<void(Read)> done) override {
        later([this, account, done] {
            done({true, items.contains(account) ? std::optional(items[account]) : std::nullopt});
        });
    }
    void write(const QString& account, const QString& value,
               std::function<void(bool)> done) override {
        later([this, account, value, done] {
            if (!refuseWrites && !forgetWrites) items[account] = value;
            done(!refuseWrites);
        });
    }
    void remove(const QString& account, std::function<void(bool)> done) override {
        later([this, account, done] {
            if (!refuseWrites) items.remove(account);
            done(!refuseWrites);
        });
    }

private:
    template <typename F>
    void later(F f) {
        QTimer::singleShot(0, &context_, f);
    }
    QObject context_;
};

}  // namespace tarvel::test

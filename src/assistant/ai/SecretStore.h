#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace tarvel {

// Per-account secrets of one service in the desktop's secret store. Every call answers once,
// later, on the main thread; a locked store whose unlock prompt is dismissed is a failure.
class SecretStore {
public:
    struct Read {
        bool ok = false;               // false: the store could not be asked
        std::optional<QString> value;  // nothing: no item for the account
    };
    virtual ~SecretStore() = default;
    virtual void read(const QString& account, std::function<void(Read)> done) = 0;
    // `done(false)` when the store refused or could not be reached.
    virtual void write(const QString& account, const QString& value,
                       std::function<void(bool ok)> done) = 0;
    virtual void remove(const QString& account, std::function<void(bool ok)> done) = 0;
};

}  // namespace tarvel

#pragma once

#include <QObject>

#include "assistant/ai/SecretStore.h"

namespace tarvel {

// The desktop's secret store (Secret Service, or KWallet on KDE) through qtkeychain. Items
// never fall back to a plain-text file.
class KeychainSecretStore : public QObject, public SecretStore {
    Q_OBJECT

public:
    explicit KeychainSecretStore(QString service = standardService(), QObject* parent = nullptr);

    // The application id + ".ai".
    static QString standardService();

    void read(const QString& account, std::function<void(Read)> done) override;
    void write(const QString& account, const QString& value,
               std::function<void(bool ok)> done) override;
    void remove(const QString& account, std::function<void(bool ok)> done) override;

private:
    QString service_;
};

}  // namespace tarvel

#include "assistant/ai/KeychainSecretStore.h"

#include <qt6keychain/keychain.h>

#include "shell/ApplicationId.h"

namespace tarvel {

namespace {

// Jobs delete themselves and never fall back to a plain-text file. Their outcome is handed on
// from the event loop, never from inside start() (a missing backend fails at once).
void prepare(QKeychain::Job* job, const QString& account) {
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(account);
}

}  // namespace

KeychainSecretStore::KeychainSecretStore(QString service, QObject* parent)
    : QObject(parent), service_(std::move(service)) {}

QString KeychainSecretStore::standardService() {
    return QString::fromLatin1(kApplicationId) + QStringLiteral(".ai");
}

void KeychainSecretStore::read(const QString& account, std::function<void(Read)> done) {
    auto* job = new QKeychain::ReadPasswordJob(service_, this);
    prepare(job, account);
    connect(job, &QKeychain::Job::finished, this, [this, job, done = std::move(done)] {
        Read outcome;
        if (job->error() == QKeychain::NoError)
            outcome = {true, job->textData()};
        else if (job->error() == QKeychain::EntryNotFound)
            outcome = {true, std::nullopt};
        QMetaObject::invokeMethod(
            this, [done, outcome] { done(outcome); }, Qt::QueuedConnection);
    });
    job->start();
}

void KeychainSecretStore::write(const QString& account, const QString& value,
                                std::function<void(bool ok)> done) {
    auto* job = new QKeychain::WritePasswordJob(service_, this);
    prepare(job, account);
    job->setTextData(value);
    connect(job, &QKeychain::Job::finished, this, [this, job, done = std::move(done)] {
        const bool ok = job->error() == QKeychain::NoError;
        QMetaObject::invokeMethod(
            this, [done, ok] { done(ok); }, Qt::QueuedConnection);
    });
    job->start();
}

void KeychainSecretStore::remove(const QString& account, std::function<void(bool ok)> done) {
    auto* job = new QKeychain::DeletePasswordJob(service_, this);
    prepare(job, account);
    connect(job, &QKeychain::Job::finished, this, [this, job, done = std::move(done)] {
        // Nothing to delete is what was asked for.
        const bool ok =
            job->error() == QKeychain::NoError || job->error() == QKeychain::EntryNotFound;
        QMetaObject::invokeMethod(
            this, [done, ok] { done(ok); }, Qt::QueuedConnection);
    });
    job->start();
}

}  // namespace tarvel

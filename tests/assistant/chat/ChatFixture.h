#pragma once

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>

#include "../ai/KeyStoreHarness.h"
#include "../ai/MemorySecretStore.h"
#include "assistant/ai/PlusAIClient.h"
#include "assistant/ai/PlusAIKeyStore.h"
#include "assistant/chat/PlusChatModel.h"
#include "base/Clock.h"
#include "support/LoopbackHttpServer.h"
#include "support/WaitUntil.h"

namespace tarvel::test {

// 2026-12-05T14:25:55Z
inline constexpr double kNow = 1796480755;

inline PlusAIHosts loopbackHosts(const LoopbackHttpServer& server) {
    return {server.url(), server.url(), server.url(), server.url()};
}

// A fixed answer from the loopback server.
inline LoopbackHttpServer::Response answer(int status, const QByteArray& body) {
    return LoopbackHttpServer::Response::answer(status, body);
}

// A chat over a loopback provider, an in-memory keyring and a temporary Downloads folder;
// reveals and save dialogs are recorded instead of shown.
struct ChatFixture : KeyStoreHarness {
    struct Export {
        QString name, ext, contents;
    };

    ManualClock clock{kNow};
    LoopbackHttpServer server;
    QNetworkAccessManager network;
    MemorySecretStore secrets;
    PlusAIKeyStore keys{settings, secrets};
    PlusAIClient client{network, settings, loopbackHosts(server)};
    QString downloads = dir.path() + "/Downloads";
    PlusChatModel model{settings, client, keys, clock, downloads, network};
    QStringList revealed;
    QList<Export> exports;

    ChatFixture() {
        QDir().mkpath(downloads);
        keys.load();
        waitUntil([this] { return keys.isLoaded(); });
        model.setReveal([this](const QString& path) { revealed.append(path); });
        model.setSavePanel([this](const QString& name, const QString& ext, const QString& text) {
            exports.append({name, ext, text});
        });
    }

    // OpenRouter answers every chat with `text`.
    void replyWith(const QString& text) {
        const QJsonObject message{{"role", "assistant"}, {"content", text}};
        const QJsonObject body{{"choices", QJsonArray{QJsonObject{{"message", message}}}}};
        server.route("/api/v1/chat/completions", answer(200, QJsonDocument(body).toJson()));
    }

    bool storeKey(PlusAIProvider provider, const QString& key) { return set(keys, provider, key); }

    // Types and sends a message, then waits for the answer.
    void exchange(const QString& text) {
        model.setDraft(text);
        model.send();
        waitUntil([this] { return !model.busy(); });
    }

    // The turns a request carried, as "role: content".
    QStringList sentTurns(qsizetype request) const {
        QStringList turns;
        const QJsonObject body =
            QJsonDocument::fromJson(server.requests().at(request).body).object();
        for (const QJsonValue& turn : body.value("messages").toArray())
            turns.append(turn.toObject().value("role").toString() + ": " +
                         turn.toObject().value("content").toString());
        return turns;
    }

    QStringList downloadedFiles() const {
        return QDir(downloads).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

}  // namespace tarvel::test

#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <variant>

#include "assistant/ai/PlusAIProvider.h"
#include "assistant/ai/PlusAIReplies.h"
#include "assistant/ai/PlusChatMessage.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace tarvel {

class UserDefaults;

// A failed request: what the chat shows is `description`.
struct PlusAIError {
    QString domain;
    int code = 0;
    QString description;
};

// Where each provider is reached; tests point them at a loopback server.
struct PlusAIHosts {
    QUrl openRouter;  // + "/api/v1/chat/completions"
    QUrl openai;      // + "/v1/chat/completions"
    QUrl gemini;      // + "/v1beta/models/gemini-2.0-flash:generateContent"
    QUrl anthropic;   // + "/v1/messages"
    static PlusAIHosts standard();
};

// Sends a conversation to one provider and returns the reply text. One HTTP request a call,
// 90 s at most; no retry.
class PlusAIClient : public QObject {
    Q_OBJECT

public:
    using Reply = std::variant<QString, PlusAIError>;
    using Completion = std::function<void(const Reply&)>;

    PlusAIClient(QNetworkAccessManager& network, UserDefaults& settings,
                 PlusAIHosts hosts = PlusAIHosts::standard(), QObject* parent = nullptr);

    // `done` runs once, on the main thread, with the trimmed reply or the error. A blank key
    // fails at once (still through `done`, from the event loop) without any request.
    void request(PlusAIProvider provider, const QString& apiKey,
                 const QList<PlusChatMessage>& messages, const QString& modelOverride,
                 Completion done);

    static QString sanitize(const QString& key);

    // How long one request may take (90 s unless a test says otherwise).
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

private:
    using Parser = PlusAIReplies::Parsed (*)(const QByteArray&);
    struct Headers {
        QList<QPair<QByteArray, QByteArray>> items;
    };

    void openAICompatible(const QUrl& url, const QString& key, const QString& model,
                          const QList<PlusChatMessage>& messages, const QString& domain,
                          const Headers& extra, Completion done);
    void gemini(const QString& key, const QList<PlusChatMessage>& messages, Completion done);
    void anthropic(const QString& key, const QList<PlusChatMessage>& messages, Completion done);
    static Reply outcome(QNetworkReply& reply, bool tooLarge, const QString& domain,
                         const QString& key, Parser parse);
    void post(const QUrl& url, const Headers& headers, const QByteArray& body,
              const QString& domain, const QString& key, Parser parse, Completion done);

    QNetworkAccessManager& network_;
    UserDefaults& settings_;
    PlusAIHosts hosts_;
    int timeoutMs_ = 90 * 1000;
};

}  // namespace tarvel

#include "assistant/ai/PlusAIClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <memory>

#include "assistant/ai/PlusOpenRouterModels.h"
#include "shell/UpdateEndpoints.h"

namespace tarvel {

namespace {

// A reply larger than this is no chat answer; it is cut off rather than held in memory.
constexpr qint64 kMaxReplyBytes = 8 * 1024 * 1024;

// Network failures of our own, told apart from those Qt reports by their negative codes.
constexpr int kTimedOutCode = -1001;
constexpr int kTooLargeCode = -1103;

QUrl endpoint(const QUrl& host, const QString& path) {
    QUrl url = host;
    QString base = host.path();
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    url.setPath(base + path);
    return url;
}

bool isUserTurn(const PlusChatMessage& message) {
    return message.role == QLatin1String("user");
}

QJsonArray plainTurns(const QList<PlusChatMessage>& messages) {
    QJsonArray turns;
    for (const PlusChatMessage& message : messages)
        turns.append(
            QJsonObject{{QStringLiteral("role"), isUserTurn(message) ? QStringLiteral("user")
                                                                     : QStringLiteral("assistant")},
                        {QStringLiteral("content"), message.text}});
    return turns;
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

PlusAIHosts PlusAIHosts::standard() {
    return {QUrl(QStringLiteral("https://openrouter.ai")),
            QUrl(QStringLiteral("https://api.openai.com")),
            QUrl(QStringLiteral("https://generativelanguage.googleapis.com")),
            QUrl(QStringLiteral("https://api.anthropic.com"))};
}

PlusAIClient::PlusAIClient(QNetworkAccessManager& network, UserDefaults& settings,
                           PlusAIHosts hosts, QObject* parent)
    : QObject(parent), network_(network), settings_(settings), hosts_(std::move(hosts)) {}

QString PlusAIClient::sanitize(const QString& key) {
    return key.trimmed();
}

void PlusAIClient::request(PlusAIProvider provider, const QString& apiKey,
                           const QList<PlusChatMessage>& messages, const QString& modelOverride,
                           Completion done) {
    const QString key = sanitize(apiKey);
    if (key.isEmpty()) {
        const PlusAIError missing{rawValue(provider), 401,
                                  QStringLiteral("Add your ") + rawValue(provider) +
                                      QStringLiteral(" API key in API Config.")};
        QMetaObject::invokeMethod(
            this, [done = std::move(done), missing] { done(missing); }, Qt::QueuedConnection);
        return;
    }

    QList<PlusChatMessage> turns;
    for (const PlusChatMessage& message : messages)
        if (!message.isError) turns.append(message);
    const QString override = modelOverride.trimmed();

    switch (provider) {
        case PlusAIProvider::openRouter:
            openAICompatible(
                endpoint(hosts_.openRouter, QStringLiteral("/api/v1/chat/completions")), key,
                override.isEmpty() ? PlusOpenRouterModels::selected(settings_) : override, turns,
                QStringLiteral("OpenRouter"),
                {{{"HTTP-Referer", UPDATE_PAGE_URL}, {"X-Title", "Tarvel Pro"}}}, std::move(done));
            return;
        case PlusAIProvider::openai:
            openAICompatible(endpoint(hosts_.openai, QStringLiteral("/v1/chat/completions")), key,
                             defaultModel(PlusAIProvider::openai), turns, QStringLiteral("OpenAI"),
                             {}, std::move(done));
            return;
        case PlusAIProvider::gemini:
            gemini(key, turns, std::move(done));
            return;
        case PlusAIProvider::anthropic:
            anthropic(key, turns, std::move(done));
            return;
    }
}

void PlusAIClient::openAICompatible(const QUrl& url, const QString& key, const QString& model,
                                    const QList<PlusChatMessage>& messages, const QString& domain,
                                    const Headers& extra, Completion done) {
    Headers headers{{{"Authorization", "Bearer " + key.toUtf8()}}};
    headers.items.append(extra.items);
    const QJsonObject body{{QStringLiteral("model"), model},
                           {QStringLiteral("messages"), plainTurns(messages)}};
    post(url, headers, compact(body), domain, key, &PlusAIReplies::chatCompletionText,
         std::move(done));
}

void PlusAIClient::gemini(const QString& key, const QList<PlusChatMessage>& messages,
                          Completion done) {
    QJsonArray contents;
    for (const PlusChatMessage& message : messages)
        contents.append(
            QJsonObject{{QStringLiteral("role"),
                         isUserTurn(message) ? QStringLiteral("user") : QStringLiteral("model")},
                        {QStringLiteral("parts"),
                         QJsonArray{QJsonObject{{QStringLiteral("text"), message.text}}}}});
    post(endpoint(hosts_.gemini, QStringLiteral("/v1beta/models/gemini-2.0-flash:generateContent")),
         {{{"x-goog-api-key", key.toUtf8()}}}, compact({{QStringLiteral("contents"), contents}}),
         QStringLiteral("Gemini"), key, &PlusAIReplies::geminiText, std::move(done));
}

void PlusAIClient::anthropic(const QString& key, const QList<PlusChatMessage>& messages,
                             Completion done) {
    const QJsonObject body{{QStringLiteral("model"), defaultModel(PlusAIProvider::anthropic)},
                           {QStringLiteral("max_tokens"), 1024},
                           {QStringLiteral("messages"), plainTurns(messages)}};
    post(endpoint(hosts_.anthropic, QStringLiteral("/v1/messages")),
         {{{"x-api-key", key.toUtf8()}, {"anthropic-version", "2023-06-01"}}}, compact(body),
         QStringLiteral("Anthropic"), key, &PlusAIReplies::anthropicText, std::move(done));
}

void PlusAIClient::post(const QUrl& url, const Headers& headers, const QByteArray& body,
                        const QString& domain, const QString& key, Parser parse, Completion done) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    for (const auto& [name, value] : headers.items) request.setRawHeader(name, value);
    request.setTransferTimeout(timeoutMs_);
    // A redirect would carry the key to another host; it is reported as its status instead.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);

    QNetworkReply* reply = network_.post(request, body);
    auto tooLarge = std::make_shared<bool>(false);
    connect(reply, &QNetworkReply::downloadProgress, reply,
            [reply, tooLarge](qint64 received, qint64) {
                if (received > kMaxReplyBytes && !*tooLarge) {
                    *tooLarge = true;
                    reply->abort();
                }
            });
    // The transfer time-out restarts with every byte; a service that trickles bytes is cut
    // off by this deadline on the whole request.
    QTimer::singleShot(timeoutMs_, reply, [reply] {
        if (reply->isRunning()) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this,
            [reply, tooLarge, domain, key, parse, done = std::move(done)] {
                reply->deleteLater();
                done(outcome(*reply, *tooLarge, domain, key, parse));
            });
}

PlusAIClient::Reply PlusAIClient::outcome(QNetworkReply& reply, bool tooLarge,
                                          const QString& domain, const QString& key, Parser parse) {
    if (tooLarge)
        return PlusAIError{QStringLiteral("Network"), kTooLargeCode,
                           QStringLiteral("The reply was too large.")};
    // Nothing else cancels a request: this is the time limit.
    if (reply.error() == QNetworkReply::OperationCanceledError ||
        reply.error() == QNetworkReply::TimeoutError)
        return PlusAIError{QStringLiteral("Network"), kTimedOutCode,
                           QStringLiteral("The request timed out.")};
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return PlusAIError{QStringLiteral("Network"), static_cast<int>(reply.error()),
                           PlusAIReplies::withoutSecret(reply.errorString(), key)};

    const QByteArray answer = reply.readAll();
    const int code = status.toInt();
    if (code != 200)
        return PlusAIError{domain, code,
                           domain + QStringLiteral(" HTTP ") + QString::number(code) +
                               QStringLiteral(": ") + PlusAIReplies::errorExcerpt(answer, key)};
    const PlusAIReplies::Parsed parsed = parse(answer);
    switch (parsed.kind) {
        case PlusAIReplies::Parsed::Kind::text:
            return parsed.text.trimmed();
        case PlusAIReplies::Parsed::Kind::notJson:
            return PlusAIError{QStringLiteral("JSON"), 0,
                               QStringLiteral("The reply could not be read: ") + parsed.error};
        case PlusAIReplies::Parsed::Kind::missing:
            break;
    }
    return PlusAIError{domain, 0, QStringLiteral("Empty response from ") + domain};
}

}  // namespace tarvel

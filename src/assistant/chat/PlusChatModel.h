#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <deque>
#include <functional>
#include <memory>

#include "assistant/ai/PlusAIProvider.h"
#include "assistant/ai/PlusChatMessage.h"
#include "assistant/chat/PlusFileDownloads.h"

class QNetworkAccessManager;

namespace tarvel {

class Clock;
class PlusAIClient;
class PlusAIKeyStore;
class UserDefaults;

// The conversation behind the chat: its messages, the text being typed, the provider and model
// choice, and what can be done with messages (send, save, export, fetch their links). Lives as
// long as the program; nothing but the provider and the OpenRouter model is kept on disk.
class PlusChatModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        tarvel::PlusAIProvider provider READ provider WRITE setProvider NOTIFY providerChanged)
    Q_PROPERTY(QString openRouterModel READ openRouterModel WRITE setOpenRouterModel NOTIFY
                   openRouterModelChanged)
    Q_PROPERTY(QString openRouterCustom READ openRouterCustom WRITE setOpenRouterCustom NOTIFY
                   openRouterCustomChanged)
    Q_PROPERTY(QList<tarvel::PlusChatMessage> messages READ messages NOTIFY messagesChanged)
    Q_PROPERTY(QString draft READ draft WRITE setDraft NOTIFY draftChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(QString keyDraft READ keyDraft WRITE setKeyDraft NOTIFY keyDraftChanged)
    Q_PROPERTY(QString lastSavedPath READ lastSavedPath NOTIFY lastSavedPathChanged)

public:
    static constexpr const char* kProviderKey = "tarvelpro.ai.provider";
    // Downloads running at once; the others wait their turn.
    static constexpr int kConcurrentDownloads = 4;

    // `downloads` is the folder saved messages and fetched links go to.
    PlusChatModel(UserDefaults& settings, PlusAIClient& client, PlusAIKeyStore& keys, Clock& clock,
                  QString downloads, QNetworkAccessManager& network, QObject* parent = nullptr);

    PlusAIProvider provider() const { return provider_; }
    QString openRouterModel() const { return openRouterModel_; }
    QString openRouterCustom() const { return openRouterCustom_; }
    const QList<PlusChatMessage>& messages() const { return messages_; }
    QString draft() const { return draft_; }
    bool busy() const { return busy_; }
    QString status() const { return status_; }
    QString keyDraft() const { return keyDraft_; }
    QString lastSavedPath() const { return lastSavedPath_; }
    QString downloadsFolder() const { return downloads_; }

    void setProvider(PlusAIProvider provider);
    void setOpenRouterModel(const QString& model);
    void setOpenRouterCustom(const QString& model);
    void setDraft(const QString& draft);
    void setKeyDraft(const QString& key);

    // The model a request goes out with: the provider's own, or for OpenRouter the custom id,
    // else the picked one.
    QString resolvedModel() const { return resolvedModel(provider_); }
    // The same for a provider that need not be the active one.
    QString resolvedModel(PlusAIProvider provider) const;

    void send();
    void clearChat();
    void loadKeyField();
    void saveKeyField();
    void exportChatMarkdown();
    void saveMessage(const PlusChatMessage& message);
    void downloadLinks(const PlusChatMessage& message);

    // The web links of a message, found once per message (views ask on every refresh).
    const QStringList& linksIn(const PlusChatMessage& message) const;

    // The conversation as Markdown, as exported.
    QString chatMarkdown() const;

    // How files are shown and exported; tests record instead of opening windows.
    using SavePanel =
        std::function<void(const QString& name, const QString& ext, const QString& contents)>;
    void setSavePanel(SavePanel panel) { savePanel_ = std::move(panel); }
    void setReveal(std::function<void(const QString& path)> reveal) { reveal_ = std::move(reveal); }
    void setDownloadLimits(const PlusDownloadLimits& limits) { limits_ = limits; }

signals:
    void providerChanged();
    void openRouterModelChanged();
    void openRouterCustomChanged();
    void resolvedModelChanged();
    void messagesChanged();
    void draftChanged();
    void busyChanged();
    void statusChanged();
    void keyDraftChanged();
    void lastSavedPathChanged();

private:
    void append(PlusChatMessage message);
    void setBusy(bool busy);
    void setStatus(const QString& status);
    void setLastSavedPath(const QString& path);
    void startQueuedDownloads();

    UserDefaults& settings_;
    PlusAIClient& client_;
    PlusAIKeyStore& keys_;
    Clock& clock_;
    QString downloads_;
    QNetworkAccessManager& network_;
    SavePanel savePanel_;
    std::function<void(const QString&)> reveal_;
    PlusDownloadLimits limits_;

    PlusAIProvider provider_ = PlusAIProvider::openRouter;
    QString openRouterModel_;
    QString openRouterCustom_;
    QList<PlusChatMessage> messages_;
    QString draft_;
    bool busy_ = false;
    QString status_ = QStringLiteral("Ready");
    QString keyDraft_;
    QString lastSavedPath_;
    struct Links {
        QString text;
        QStringList links;
    };
    mutable QHash<QUuid, Links> links_;
    struct QueuedDownload {
        QString link;
        std::shared_ptr<int> remaining;  // of its message's downloads
    };
    std::deque<QueuedDownload> queuedDownloads_;
    int runningDownloads_ = 0;
};

}  // namespace tarvel

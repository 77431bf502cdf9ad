#include "assistant/chat/PlusChatModel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <cmath>
#include <memory>

#include "assistant/ai/PlusAIClient.h"
#include "assistant/ai/PlusAIKeyStore.h"
#include "assistant/ai/PlusOpenRouterModels.h"
#include "base/Clock.h"
#include "base/UserDefaults.h"

namespace tarvel {

namespace {

QString speaker(const PlusChatMessage& message, PlusAIProvider provider) {
    return message.role == "user" ? QStringLiteral("You") : rawValue(provider);
}

}  // namespace

PlusChatModel::PlusChatModel(UserDefaults& settings, PlusAIClient& client, PlusAIKeyStore& keys,
                             Clock& clock, QString downloads, QNetworkAccessManager& network,
                             QObject* parent)
    : QObject(parent),
      settings_(settings),
      client_(client),
      keys_(keys),
      clock_(clock),
      downloads_(std::move(downloads)),
      network_(network),
      savePanel_(&PlusFileDownloads::savePanel),
      reveal_(&PlusFileDownloads::reveal) {
    const auto stored = settings_.string(kProviderKey);
    provider_ = providerFromRawValue(QString::fromStdString(stored.value_or("")))
                    .value_or(PlusAIProvider::openRouter);
    openRouterModel_ = PlusOpenRouterModels::selected(settings_);
}

void PlusChatModel::setProvider(PlusAIProvider provider) {
    if (provider == provider_) return;
    provider_ = provider;
    settings_.setString(kProviderKey, rawValue(provider).toStdString());
    emit providerChanged();
    emit resolvedModelChanged();
}

void PlusChatModel::setOpenRouterModel(const QString& model) {
    if (model == openRouterModel_) return;
    openRouterModel_ = model;
    PlusOpenRouterModels::setSelected(settings_, model);
    emit openRouterModelChanged();
    emit resolvedModelChanged();
}

void PlusChatModel::setOpenRouterCustom(const QString& model) {
    if (model == openRouterCustom_) return;
    openRouterCustom_ = model;
    emit openRouterCustomChanged();
    emit resolvedModelChanged();
}

void PlusChatModel::setDraft(const QString& draft) {
    if (draft == draft_) return;
    draft_ = draft;
    emit draftChanged();
}

void PlusChatModel::setKeyDraft(const QString& key) {
    if (key == keyDraft_) return;
    keyDraft_ = key;
    emit keyDraftChanged();
}

void PlusChatModel::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    emit busyChanged();
}

void PlusChatModel::setStatus(const QString& status) {
    if (status == status_) return;
    status_ = status;
    emit statusChanged();
}

void PlusChatModel::setLastSavedPath(const QString& path) {
    if (path == lastSavedPath_) return;
    lastSavedPath_ = path;
    emit lastSavedPathChanged();
}

void PlusChatModel::append(PlusChatMessage message) {
    messages_.append(std::move(message));
    emit messagesChanged();
}

QString PlusChatModel::resolvedModel(PlusAIProvider provider) const {
    if (provider != PlusAIProvider::openRouter) return defaultModel(provider);
    const QString custom = openRouterCustom_.trimmed();
    if (!custom.isEmpty()) return custom;
    if (!openRouterModel_.isEmpty()) return openRouterModel_;
    return PlusOpenRouterModels::selected(settings_);
}

void PlusChatModel::send() {
    const QString text = draft_.trimmed();
    if (text.isEmpty() || busy_) return;
    setDraft({});
    append({QUuid::createUuid(), "user", text, false});
    setBusy(true);
    setStatus("Thinking…");
    const PlusAIProvider provider = provider_;
    const QString model = resolvedModel();
    if (provider == PlusAIProvider::openRouter) PlusOpenRouterModels::setSelected(settings_, model);
    QPointer<PlusChatModel> self(this);
    client_.request(
        provider, keys_.get(provider), messages_, model,
        [self, model](const PlusAIClient::Reply& reply) {
            if (!self) return;
            if (const auto* text = std::get_if<QString>(&reply)) {
                self->append({QUuid::createUuid(), "assistant", *text, false});
                self->setBusy(false);
                self->setStatus("Ready · " + model);
            } else {
                const auto& error = std::get<PlusAIError>(reply);
                self->append({QUuid::createUuid(), "assistant", error.description, true});
                self->setBusy(false);
                self->setStatus("Error");
            }
        });
}

void PlusChatModel::clearChat() {
    if (!messages_.isEmpty()) {
        messages_.clear();
        links_.clear();
        emit messagesChanged();
    }
    setStatus("Cleared");
}

void PlusChatModel::loadKeyField() {
    setKeyDraft(keys_.get(provider_));
}

void PlusChatModel::saveKeyField() {
    const bool clearing = keyDraft_.trimmed().isEmpty();
    QPointer<PlusChatModel> self(this);
    keys_.set(provider_, keyDraft_, [self, clearing](bool saved) {
        if (!self) return;
        if (!saved)
            self->setStatus("Key not saved: the keyring did not accept it");
        else
            self->setStatus(clearing ? "No key saved" : "Key saved on this computer");
    });
}

QString PlusChatModel::chatMarkdown() const {
    QString text = "# Tarvel Pro chat\n\n";
    text += "Provider: " + rawValue(provider_) + " · Model: " + resolvedModel() + "\n\n";
    for (const PlusChatMessage& message : messages_)
        text += "## " + speaker(message, provider_) + "\n\n" + message.text + "\n\n";
    return text;
}

void PlusChatModel::exportChatMarkdown() {
    const QDateTime now = QDateTime::fromSecsSinceEpoch(qint64(std::floor(clock_.now())), Qt::UTC);
    const QString name = "tarvel-pro-chat-" + now.toString("yyyy-MM-ddTHH-mm-ssZ");
    if (savePanel_) savePanel_(name, "md", chatMarkdown());
    setStatus("Export chat…");
}

void PlusChatModel::saveMessage(const PlusChatMessage& message) {
    const QString name = (message.role == "user" ? "tarvel-pro-prompt-" : "tarvel-pro-reply-") +
                         QString::number(qint64(std::floor(clock_.now())));
    const PlusFileResult saved = PlusFileDownloads::saveText(downloads_, message.text, name, "md");
    if (!saved.ok()) return setStatus("Save failed: " + saved.error);
    setLastSavedPath(saved.path);
    setStatus("Saved " + QFileInfo(saved.path).fileName());
    if (reveal_) reveal_(saved.path);
}

const QStringList& PlusChatModel::linksIn(const PlusChatMessage& message) const {
    auto found = links_.find(message.id);
    if (found == links_.end() || found->text != message.text)
        found = links_.insert(message.id, {message.text, PlusFileDownloads::urls(message.text)});
    return found->links;
}

void PlusChatModel::downloadLinks(const PlusChatMessage& message) {
    const QStringList links = linksIn(message);
    if (links.isEmpty()) return setStatus("No download links in that message");
    setStatus("Downloading " + QString::number(links.size()) + " file(s)…");
    auto remaining = std::make_shared<int>(int(links.size()));
    for (const QString& link : links) queuedDownloads_.push_back({link, remaining});
    startQueuedDownloads();
}

void PlusChatModel::startQueuedDownloads() {
    while (runningDownloads_ < kConcurrentDownloads && !queuedDownloads_.empty()) {
        QueuedDownload next = std::move(queuedDownloads_.front());
        queuedDownloads_.pop_front();
        ++runningDownloads_;
        QPointer<PlusChatModel> self(this);
        PlusFileDownloads::downloadRemote(
            network_, downloads_, next.link, limits_,
            [self, remaining = next.remaining](const PlusFileResult& result) {
                --*remaining;
                if (!self) return;
                --self->runningDownloads_;
                // From the event loop: a chain of quick failures must not recurse.
                QTimer::singleShot(0, self, [self] {
                    if (self) self->startQueuedDownloads();
                });
                if (!result.ok()) return self->setStatus(result.error);
                self->setLastSavedPath(result.path);
                const QString name = QFileInfo(result.path).fileName();
                if (*remaining > 0) return self->setStatus("Downloaded " + name + "…");
                self->setStatus("Downloaded to Downloads");
                if (self->reveal_) self->reveal_(result.path);
            });
    }
}

}  // namespace tarvel

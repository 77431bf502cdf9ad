#include "assistant/chat/PlusPrefsAPIConfigPane.h"

#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "assistant/ai/PlusAIClient.h"
#include "assistant/ai/PlusAIKeyStore.h"
#include "assistant/chat/PlusChatModel.h"
#include "assistant/chat/PlusPasteableKeyField.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"

namespace tarvel {

namespace {

constexpr int kReplyPreview = 40;

// The first `count` characters, never half of a surrogate pair.
QString leading(const QString& text, int count) {
    QString out;
    int taken = 0;
    for (qsizetype i = 0; i < text.size() && taken < count; ++i, ++taken) {
        out += text.at(i);
        if (text.at(i).isHighSurrogate() && i + 1 < text.size()) out += text.at(++i);
    }
    return out;
}

QLabel* activeBadge(QWidget* parent) {
    QLabel* badge =
        plainLabel("Active", TarvelType::label, TarvelColor::accent, parent, QFont::DemiBold);
    badge->setStyleSheet(
        "QLabel{background:rgba(89,191,255,0.18);border-radius:8px;"
        "padding:1px 8px;}");
    return badge;
}

}  // namespace

PlusPrefsAPIConfigPane::PlusPrefsAPIConfigPane(PlusChatModel& model, PlusAIKeyStore& keys,
                                               PlusAIClient& client, bool embedded, QWidget* parent)
    : PreferencesPane(embedded ? "Provider keys" : "API Config",
                      "Add your own provider keys (OpenRouter, Gemini, OpenAI, Anthropic). Stored "
                      "in the desktop’s keyring (Secret Service) and only sent to that provider "
                      "when you chat — not to the Tarvel project.",
                      parent),
      model_(model),
      keys_(keys),
      client_(client) {
    if (embedded) layout()->setContentsMargins(0, 0, 0, 0);

    QVBoxLayout* activeCard = addCard();
    auto* activeRow = new QHBoxLayout;
    activeRow->addWidget(preferencesCaption("Active provider", this));
    active_ = new QComboBox(this);
    active_->setAccessibleName("Active provider");
    for (PlusAIProvider provider : kAllPlusAIProviders) active_->addItem(rawValue(provider));
    activeRow->addWidget(active_, 1);
    activeCard->addLayout(activeRow);
    defaultModel_ = preferencesNote({}, this);
    activeCard->addWidget(defaultModel_);
    connect(active_, &QComboBox::activated, this, [this](int index) {
        model_.setProvider(kAllPlusAIProviders[std::size_t(index)]);
        model_.loadKeyField();
    });

    for (PlusAIProvider provider : kAllPlusAIProviders) addProviderCard(provider);
    addFootnote(
        "Keys live in the desktop’s keyring on this device. Tarvel Pro does not sell or mint "
        "provider API keys.");

    connect(&model_, &PlusChatModel::providerChanged, this, &PlusPrefsAPIConfigPane::refresh);
    connect(&keys_, &PlusAIKeyStore::keysChanged, this, &PlusPrefsAPIConfigPane::refresh);
    connect(&keys_, &PlusAIKeyStore::loaded, this, &PlusPrefsAPIConfigPane::refresh);
    refresh();
}

void PlusPrefsAPIConfigPane::addProviderCard(PlusAIProvider provider) {
    QVBoxLayout* card = addCard();
    Card parts{};
    auto* title = new QHBoxLayout;
    title->addWidget(plainLabel(rawValue(provider), TarvelType::body, TarvelColor::labelPrimary,
                                this, QFont::DemiBold));
    parts.badge = activeBadge(this);
    title->addWidget(parts.badge);
    title->addStretch(1);
    parts.keyState = plainLabel({}, TarvelType::caption, TarvelColor::labelSecondary, this);
    title->addWidget(parts.keyState);
    card->addLayout(title);
    card->addWidget(preferencesNote(provider == PlusAIProvider::openRouter
                                        ? QString("Model · choose above (OpenRouter)")
                                        : "Model · " + defaultModel(provider),
                                    this));
    parts.field = new PlusPasteableKeyField("Paste API key (Ctrl+V)", true, this);
    parts.field->setAccessibleName(rawValue(provider) + " API key");
    card->addWidget(parts.field);
    parts.status = preferencesNote({}, this);
    parts.status->hide();
    card->addWidget(parts.status);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const QString& title,
                            void (PlusPrefsAPIConfigPane::*action)(PlusAIProvider)) {
        QPushButton* b = tarvelButton(title, ButtonKind::plain, this);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this,
                [this, action, provider] { (this->*action)(provider); });
        return b;
    };
    button("Paste", &PlusPrefsAPIConfigPane::paste);
    button("Save", &PlusPrefsAPIConfigPane::save);
    parts.test = button("Test", &PlusPrefsAPIConfigPane::test);
    button("Use", &PlusPrefsAPIConfigPane::use);
    buttons->addStretch(1);
    QPushButton* getKey = tarvelButton("Get key…", ButtonKind::minimal, this);
    buttons->addWidget(getKey);
    connect(getKey, &QPushButton::clicked, this,
            [provider] { QDesktopServices::openUrl(keyURL(provider)); });
    card->addLayout(buttons);

    connect(parts.field, &QLineEdit::textEdited, this,
            [this, provider](const QString& text) { drafts_[provider] = text; });
    cards_[provider] = parts;
}

QString PlusPrefsAPIConfigPane::enteredKey(PlusAIProvider provider) const {
    const auto draft = drafts_.find(provider);
    return (draft != drafts_.end() ? draft->second : keys_.get(provider)).trimmed();
}

void PlusPrefsAPIConfigPane::paste(PlusAIProvider provider) {
    const QString text = QGuiApplication::clipboard()->text().trimmed();
    if (text.isEmpty()) return;
    drafts_[provider] = text;
    cards_.at(provider).field->setText(text);
}

void PlusPrefsAPIConfigPane::save(PlusAIProvider provider) {
    const QString key = enteredKey(provider);
    QPointer<PlusPrefsAPIConfigPane> self(this);
    QPointer<PlusChatModel> model(&model_);
    keys_.set(provider, key, [self, model, provider, key](bool saved) {
        if (saved && model && model->provider() == provider) model->setKeyDraft(key);
        if (!self) return;
        if (!saved)
            self->setStatus(provider, "Not saved: the keyring did not accept the key");
        else
            self->setStatus(provider, key.isEmpty() ? "Cleared" : "Saved on this computer");
    });
}

void PlusPrefsAPIConfigPane::test(PlusAIProvider provider) {
    const QString key = enteredKey(provider);
    if (key.isEmpty()) return setStatus(provider, "Paste a key first");
    const QString model = model_.resolvedModel(provider);
    setStatus(provider, "Checking…");
    testing_ = provider;
    refresh();
    QPointer<PlusPrefsAPIConfigPane> self(this);
    client_.request(provider, key,
                    {PlusChatMessage{QUuid::createUuid(), "user", kTestPrompt, false}}, model,
                    [self, provider, model](const PlusAIClient::Reply& reply) {
                        if (!self) return;
                        self->testing_.reset();
                        if (const auto* text = std::get_if<QString>(&reply))
                            self->setStatus(provider, "Connected · " + model + " · " +
                                                          leading(*text, kReplyPreview));
                        else
                            self->setStatus(provider, std::get<PlusAIError>(reply).description);
                        self->refresh();
                    });
}

void PlusPrefsAPIConfigPane::use(PlusAIProvider provider) {
    model_.setProvider(provider);
    model_.loadKeyField();
    setStatus(provider, "Set as active provider");
}

void PlusPrefsAPIConfigPane::setStatus(PlusAIProvider provider, const QString& status) {
    QLabel* label = cards_.at(provider).status;
    label->setText(status);
    label->setVisible(!status.isEmpty());
}

void PlusPrefsAPIConfigPane::refresh() {
    const PlusAIProvider activeProvider = model_.provider();
    const int index =
        int(std::find(kAllPlusAIProviders.begin(), kAllPlusAIProviders.end(), activeProvider) -
            kAllPlusAIProviders.begin());
    if (active_->currentIndex() != index) active_->setCurrentIndex(index);
    defaultModel_->setText("Default model: " + defaultModel(activeProvider));
    for (auto& [provider, card] : cards_) {
        card.badge->setVisible(provider == activeProvider);
        card.keyState->setText(keys_.get(provider).isEmpty() ? "No key" : "Key saved");
        card.test->setEnabled(testing_ != provider);
    }
}

}  // namespace tarvel

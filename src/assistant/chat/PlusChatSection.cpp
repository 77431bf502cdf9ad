#include "assistant/chat/PlusChatSection.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "assistant/chat/PlusChatModel.h"
#include "assistant/chat/PlusOpenRouterModelPicker.h"
#include "assistant/chat/PlusPasteableKeyField.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"

namespace tarvel {

namespace {

// The conversation grows with its messages between these heights, then scrolls.
constexpr int kMinListHeight = 80;
constexpr int kMaxListHeight = 180;

QComboBox* providerComboBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (PlusAIProvider provider : kAllPlusAIProviders) box->addItem(rawValue(provider));
    box->setAccessibleName("Provider");
    return box;
}

}  // namespace

PlusChatSection::PlusChatSection(PlusChatModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      modelLabel_(plainLabel({}, TarvelType::label, TarvelColor::labelSecondary, this)),
      keysButton_(tarvelButton("API keys", ButtonKind::minimal, this)),
      scroll_(new QScrollArea(this)),
      list_(nullptr),
      input_(new QLineEdit(this)),
      send_(tarvelButton("Send", ButtonKind::prominent, this)),
      status_(plainLabel({}, TarvelType::micro, TarvelColor::labelSecondary, this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->addWidget(
        plainLabel("AI Chat", TarvelType::title, TarvelColor::labelPrimary, this, QFont::DemiBold));
    header->addWidget(modelLabel_, 1);
    header->addWidget(keysButton_);
    column->addLayout(header);
    connect(keysButton_, &QPushButton::clicked, this, [this] { setKeysShown(!showKeys_); });

    auto* content = new QWidget;
    list_ = new QVBoxLayout(content);
    list_->setContentsMargins(0, 0, 4, 0);
    list_->setSpacing(6);
    scroll_->setWidget(content);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setFixedHeight(kMinListHeight);
    scroll_->setStyleSheet("QScrollArea{background:transparent;}");
    content->setStyleSheet("background:transparent;");
    column->addWidget(scroll_);

    auto* inputRow = new QHBoxLayout;
    input_->setPlaceholderText("Message…");
    styleTextField(input_);
    inputRow->addWidget(input_, 1);
    inputRow->addWidget(send_);
    column->addLayout(inputRow);
    connect(input_, &QLineEdit::textEdited, &model_, &PlusChatModel::setDraft);
    connect(input_, &QLineEdit::returnPressed, &model_, &PlusChatModel::send);
    connect(send_, &QPushButton::clicked, &model_, &PlusChatModel::send);

    auto* footer = new QHBoxLayout;
    status_->setWordWrap(true);
    footer->addWidget(status_, 1);
    QPushButton* exportButton = tarvelButton("Export chat", ButtonKind::minimal, this);
    QPushButton* clearButton = tarvelButton("Clear", ButtonKind::minimal, this);
    footer->addWidget(exportButton);
    footer->addWidget(clearButton);
    column->addLayout(footer);
    connect(exportButton, &QPushButton::clicked, &model_, &PlusChatModel::exportChatMarkdown);
    connect(clearButton, &QPushButton::clicked, &model_, &PlusChatModel::clearChat);

    connect(&model_, &PlusChatModel::messagesChanged, this, &PlusChatSection::refreshMessages);
    connect(&model_, &PlusChatModel::providerChanged, this, &PlusChatSection::refreshProvider);
    // Replies are labelled with the provider in use.
    connect(&model_, &PlusChatModel::providerChanged, this, &PlusChatSection::refreshMessages);
    connect(&model_, &PlusChatModel::resolvedModelChanged, this, &PlusChatSection::refreshProvider);
    connect(&model_, &PlusChatModel::draftChanged, this, &PlusChatSection::refreshInput);
    connect(&model_, &PlusChatModel::busyChanged, this, &PlusChatSection::refreshInput);
    connect(&model_, &PlusChatModel::statusChanged, this,
            [this] { status_->setText(model_.status()); });
    status_->setText(model_.status());
    refreshInput();
    refreshProvider();
    refreshMessages();
}

QWidget* PlusChatSection::buildKeyEditor() {
    auto* editor = new QWidget(this);
    auto* column = new QVBoxLayout(editor);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* providerRow = new QHBoxLayout;
    providerRow->addWidget(
        plainLabel("Provider", TarvelType::caption, TarvelColor::labelPrimary, editor));
    providerPicker_ = providerComboBox(editor);
    providerRow->addWidget(providerPicker_, 1);
    column->addLayout(providerRow);
    modelPicker_ = new PlusOpenRouterModelPicker(model_, editor);
    column->addWidget(modelPicker_);
    keyField_ = new PlusPasteableKeyField("API key (Ctrl+V)", true, editor);
    column->addWidget(keyField_);
    auto* buttons = new QHBoxLayout;
    QPushButton* save = tarvelButton("Save key", ButtonKind::plain, editor);
    QPushButton* getKey = tarvelButton("Get key…", ButtonKind::minimal, editor);
    buttons->addWidget(save);
    buttons->addWidget(getKey);
    buttons->addStretch(1);
    column->addLayout(buttons);
    QLabel* note =
        plainLabel("Keys stay on this computer. OpenRouter models are selectable in API Config.",
                   TarvelType::label, TarvelColor::labelSecondary, editor);
    note->setWordWrap(true);
    column->addWidget(note);

    connect(providerPicker_, &QComboBox::activated, this, [this](int index) {
        model_.setProvider(kAllPlusAIProviders[std::size_t(index)]);
        // Each provider has its own key.
        model_.loadKeyField();
    });
    connect(keyField_, &QLineEdit::textEdited, &model_, &PlusChatModel::setKeyDraft);
    connect(&model_, &PlusChatModel::keyDraftChanged, keyField_, [this] {
        if (keyField_->text() != model_.keyDraft()) keyField_->setText(model_.keyDraft());
    });
    connect(save, &QPushButton::clicked, &model_, &PlusChatModel::saveKeyField);
    connect(getKey, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(keyURL(model_.provider())); });
    // The stored key, so saving an untouched field keeps it.
    model_.loadKeyField();
    keyField_->setText(model_.keyDraft());
    return editor;
}

void PlusChatSection::setKeysShown(bool shown) {
    showKeys_ = shown;
    if (shown && !keyEditor_) {
        keyEditor_ = buildKeyEditor();
        static_cast<QVBoxLayout*>(layout())->insertWidget(1, keyEditor_);
        refreshProvider();
    }
    if (keyEditor_) keyEditor_->setVisible(shown);
    keysButton_->setText(shown ? "Hide keys" : "API keys");
}

void PlusChatSection::refreshProvider() {
    const bool openRouter = model_.provider() == PlusAIProvider::openRouter;
    modelLabel_->setVisible(openRouter);
    modelLabel_->setText(model_.resolvedModel());
    if (providerPicker_) {
        const int index = int(
            std::find(kAllPlusAIProviders.begin(), kAllPlusAIProviders.end(), model_.provider()) -
            kAllPlusAIProviders.begin());
        if (providerPicker_->currentIndex() != index) providerPicker_->setCurrentIndex(index);
        modelPicker_->setVisible(openRouter);
    }
}

void PlusChatSection::refreshInput() {
    if (input_->text() != model_.draft()) input_->setText(model_.draft());
    send_->setText(model_.busy() ? "…" : "Send");
    send_->setEnabled(!model_.busy() && !model_.draft().trimmed().isEmpty());
}

QWidget* PlusChatSection::bubble(const PlusChatMessage& message) {
    const bool mine = message.role == "user";
    auto* card = new CardFrame(nullptr, 8, whiteAt(mine ? 0.06 : 0.10));
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(4);
    column->addWidget(plainLabel(mine ? "You" : rawValue(model_.provider()), TarvelType::label,
                                 TarvelColor::labelSecondary, card));
    QLabel* text =
        plainLabel(message.text, TarvelType::caption,
                   message.isError ? TarvelColor::nOrange : TarvelColor::labelPrimary, card);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    column->addWidget(text);
    auto* actions = new QHBoxLayout;
    actions->setSpacing(4);
    QPushButton* save = tarvelButton("Save", ButtonKind::minimal, card);
    actions->addWidget(save);
    connect(save, &QPushButton::clicked, this, [this, message] { model_.saveMessage(message); });
    if (!mine && !model_.linksIn(message).isEmpty()) {
        QPushButton* download = tarvelButton("Download links", ButtonKind::minimal, card);
        actions->addWidget(download);
        connect(download, &QPushButton::clicked, this,
                [this, message] { model_.downloadLinks(message); });
    }
    actions->addStretch(1);
    column->addLayout(actions);
    return card;
}

void PlusChatSection::refreshMessages() {
    while (QLayoutItem* item = list_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<PlusChatMessage>& messages = model_.messages();
    if (messages.isEmpty()) {
        QLabel* empty = plainLabel("Ask about battery drain, power tips, or anything else.",
                                   TarvelType::caption, TarvelColor::labelSecondary);
        empty->setWordWrap(true);
        list_->addWidget(empty);
    }
    for (qsizetype i = std::max<qsizetype>(0, messages.size() - kShownMessages);
         i < messages.size(); ++i)
        list_->addWidget(bubble(messages[i]));
    list_->addStretch(1);
    // Once the list has its new height.
    QTimer::singleShot(0, this, &PlusChatSection::fitConversation);
}

void PlusChatSection::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitConversation();
}

void PlusChatSection::fitConversation() {
    QLayout* content = scroll_->widget()->layout();
    content->activate();
    const int width = scroll_->viewport()->width();
    const int height = content->hasHeightForWidth() ? content->totalHeightForWidth(width)
                                                    : content->totalSizeHint().height();
    scroll_->setFixedHeight(std::clamp(height, kMinListHeight, kMaxListHeight));
    // The newest message in view.
    scroll_->verticalScrollBar()->setValue(scroll_->verticalScrollBar()->maximum());
}

}  // namespace tarvel

#include "assistant/chat/PlusPrefsChatPane.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "assistant/ai/PlusAIKeyStore.h"
#include "assistant/chat/PlusChatModel.h"
#include "assistant/chat/PlusChatSection.h"
#include "assistant/chat/PlusPrefsAPIConfigPane.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"

namespace tarvel {

PlusPrefsChatPane::PlusPrefsChatPane(PlusChatModel& model, PlusAIKeyStore& keys,
                                     PlusAIClient& client, QWidget* parent)
    : PreferencesPane("AI",
                      "Chat and provider keys. API Config lives in a subtab so the sidebar stays "
                      "clean.",
                      parent),
      model_(model),
      keys_(keys),
      tabs_(new SegmentedPicker({"Chat", "API Config"}, this)),
      pages_(new QStackedWidget(this)),
      provider_(plainLabel({}, TarvelType::body, TarvelColor::labelPrimary)),
      keyState_(plainLabel({}, TarvelType::caption, TarvelColor::labelSecondary)) {
    // Below the heading, above the closing stretch.
    auto* column = static_cast<QVBoxLayout*>(layout());
    auto* tabsRow = new QHBoxLayout;
    tabsRow->addWidget(tabs_);
    tabsRow->addStretch(1);
    column->insertLayout(column->count() - 1, tabsRow);
    column->insertWidget(column->count() - 1, pages_);

    auto* chat = new QWidget;
    auto* chatColumn = new QVBoxLayout(chat);
    chatColumn->setContentsMargins(0, 0, 0, 0);
    chatColumn->setSpacing(TarvelSpace::section);
    chatColumn->addWidget(
        preferencesNote("Chat uses the active provider from the API Config subtab.", chat));
    auto* providerRow = new CardFrame(chat, 8);
    auto* providerLine = new QHBoxLayout(providerRow);
    providerLine->setContentsMargins(12, 8, 12, 8);
    providerLine->addWidget(provider_);
    providerLine->addStretch(1);
    providerLine->addWidget(keyState_);
    chatColumn->addWidget(providerRow);
    auto* section = new CardFrame(chat);
    auto* sectionLayout = new QVBoxLayout(section);
    sectionLayout->setContentsMargins(16, 14, 16, 14);
    sectionLayout->addWidget(new PlusChatSection(model_, section));
    chatColumn->addWidget(section);
    QPushButton* openConfig = tarvelButton("Open API Config…", ButtonKind::plain, chat);
    auto* openRow = new QHBoxLayout;
    openRow->addWidget(openConfig);
    openRow->addStretch(1);
    chatColumn->addLayout(openRow);
    chatColumn->addStretch(1);
    pages_->addWidget(chat);
    pages_->addWidget(new PlusPrefsAPIConfigPane(model_, keys_, client, true));

    connect(tabs_, &SegmentedPicker::chosen, this,
            [this](int index) { showSubtab(index == 0 ? Subtab::chat : Subtab::api); });
    connect(openConfig, &QPushButton::clicked, this, [this] { showSubtab(Subtab::api); });
    connect(&model_, &PlusChatModel::providerChanged, this, &PlusPrefsChatPane::refreshProvider);
    connect(&keys_, &PlusAIKeyStore::keysChanged, this, &PlusPrefsChatPane::refreshProvider);
    connect(&keys_, &PlusAIKeyStore::loaded, this, &PlusPrefsChatPane::refreshProvider);
    showSubtab(Subtab::chat);
    refreshProvider();
}

void PlusPrefsChatPane::showSubtab(Subtab subtab) {
    const int index = subtab == Subtab::chat ? 0 : 1;
    tabs_->setCurrentIndex(index);
    pages_->setCurrentIndex(index);
}

void PlusPrefsChatPane::refreshProvider() {
    provider_->setText("Provider: " + rawValue(model_.provider()));
    keyState_->setText(keys_.get(model_.provider()).isEmpty() ? "No key" : "Key ready");
}

}  // namespace tarvel

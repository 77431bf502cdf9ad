#include "assistant/chat/PlusOpenRouterModelPicker.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "assistant/ai/PlusOpenRouterModels.h"
#include "assistant/chat/PlusChatModel.h"
#include "assistant/chat/PlusPasteableKeyField.h"
#include "views/components/TarvelText.h"

namespace tarvel {

PlusOpenRouterModelPicker::PlusOpenRouterModelPicker(PlusChatModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      presets_(new QComboBox(this)),
      custom_(new QLineEdit(this)),
      active_(plainLabel({}, TarvelType::micro, TarvelColor::labelSecondary, this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* row = new QHBoxLayout;
    row->addWidget(plainLabel("Model", TarvelType::caption, TarvelColor::labelPrimary, this));
    presets_->addItems(PlusOpenRouterModels::presets());
    presets_->setAccessibleName("Model");
    row->addWidget(presets_, 1);
    column->addLayout(row);
    custom_->setPlaceholderText("Or custom model id…");
    styleTextField(custom_);
    column->addWidget(custom_);
    column->addWidget(active_);

    connect(presets_, &QComboBox::activated, this,
            [this](int index) { model_.setOpenRouterModel(presets_->itemText(index)); });
    connect(custom_, &QLineEdit::textEdited, &model_, &PlusChatModel::setOpenRouterCustom);
    connect(&model_, &PlusChatModel::openRouterModelChanged, this,
            &PlusOpenRouterModelPicker::refresh);
    connect(&model_, &PlusChatModel::openRouterCustomChanged, this,
            &PlusOpenRouterModelPicker::refresh);
    connect(&model_, &PlusChatModel::resolvedModelChanged, this,
            &PlusOpenRouterModelPicker::refresh);
    refresh();
}

void PlusOpenRouterModelPicker::refresh() {
    const QString picked = model_.openRouterModel();
    // A stored id that is not a suggestion is listed too, so the picker shows what is used.
    if (presets_->findText(picked) < 0) presets_->insertItem(0, picked);
    presets_->setCurrentIndex(presets_->findText(picked));
    if (custom_->text() != model_.openRouterCustom()) custom_->setText(model_.openRouterCustom());
    active_->setText("Active: " + model_.resolvedModel());
}

}  // namespace tarvel

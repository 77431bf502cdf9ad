#include "views/dashboard/DashboardCustomizePanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "views/components/Controls.h"
#include "views/components/TarvelText.h"
#include "views/prefs/DashboardPrefs.h"
#include "views/prefs/LayoutEditors.h"

namespace tarvel {

namespace {

QLabel* groupTitle(const QString& title, QWidget* parent) {
    return plainLabel(title, TarvelType::micro, TarvelColor::labelSecondary, parent,
                      QFont::DemiBold);
}

}  // namespace

DashboardCustomizePanel::DashboardCustomizePanel(DashboardPrefs& prefs, QWidget* parent)
    : CardFrame(parent, 14, TarvelColor::card),
      prefs_(prefs),
      done_(tarvelButton("Done", ButtonKind::prominent, this)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(1, 1, 1, 1);
    // Taller than a short window: the panel scrolls inside its card.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);

    auto* body = body_ = new QWidget;
    scroll->setWidget(body);
    // The card shows through: no platform colour behind the rows.
    QPalette clear = palette();
    clear.setColor(QPalette::Window, Qt::transparent);
    clear.setColor(QPalette::Base, Qt::transparent);
    for (QWidget* layer : {static_cast<QWidget*>(scroll), scroll->viewport(), body}) {
        layer->setPalette(clear);
        layer->setAutoFillBackground(false);
    }
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(16, 14, 16, 16);
    column->setSpacing(8);

    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(plainLabel("Layout", TarvelType::title, TarvelColor::labelPrimary, body,
                                   QFont::DemiBold));
    titleRow->addStretch(1);
    done_->setParent(body);
    titleRow->addWidget(done_);
    column->addLayout(titleRow);
    connect(done_, &QPushButton::clicked, this, &DashboardCustomizePanel::done);

    column->addWidget(groupTitle("Presets", body));
    auto* presets = new QHBoxLayout;
    presets->setSpacing(6);
    for (const LayoutPreset& preset : kLayoutPresets) {
        QPushButton* button = tarvelButton(preset.title, ButtonKind::plain, body);
        connect(button, &QPushButton::clicked, this, [this, name = preset.name] {
            prefs_.applyPreset(name);
            syncFromPrefs();
        });
        presets->addWidget(button, 1);
    }
    column->addLayout(presets);
    QLabel* caption =
        plainLabel(kPresetsCaption, TarvelType::micro, TarvelColor::labelTertiary, body);
    caption->setWordWrap(true);
    column->addWidget(caption);

    column->addSpacing(4);
    column->addWidget(groupTitle("Show", body));
    for (const LayoutToggle& toggle : kLayoutToggles) {
        LabeledSwitch* row = layoutSwitch(prefs_, toggle, body);
        column->addWidget(row);
        switches_.push_back(row);
    }

    column->addSpacing(4);
    column->addWidget(groupTitle("Size", body));
    density_ = tarvel::densityPicker(prefs_, body);
    width_ = tarvel::widthPicker(prefs_, body);
    // Each picker under its title, so the three segments fit the narrow card.
    const auto pickerRow = [&](const QString& title, SegmentedPicker* picker) {
        column->addWidget(plainLabel(title, TarvelType::body, TarvelColor::labelPrimary, body));
        column->addWidget(picker);
    };
    pickerRow("Density", density_);
    pickerRow("Width", width_);
    column->addStretch(1);
    syncFromPrefs();
}

int DashboardCustomizePanel::preferredHeight() const {
    return body_->sizeHint().height() + 2;
}

void DashboardCustomizePanel::syncFromPrefs() {
    for (std::size_t i = 0; i < switches_.size(); ++i)
        switches_[i]->setChecked(prefs_.*kLayoutToggles[i].field);
    density_->setCurrentIndex(int(prefs_.density));
    width_->setCurrentIndex(int(prefs_.width));
}

}  // namespace tarvel

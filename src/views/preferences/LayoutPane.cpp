#include "views/preferences/LayoutPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/AppNotifications.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"
#include "views/prefs/DashboardPrefs.h"
#include "views/prefs/LayoutToggles.h"

namespace tarvel {

namespace {

QStringList densityLabels() {
    QStringList labels;
    for (const auto& d : DashboardPrefs::densities()) labels << QString::fromUtf8(d.label);
    return labels;
}

QStringList widthLabels() {
    QStringList labels;
    for (const auto& w : DashboardPrefs::widths()) labels << QString::fromUtf8(w.label);
    return labels;
}

QHBoxLayout* captioned(const QString& caption, QWidget* control, QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->addWidget(preferencesCaption(caption, parent));
    row->addStretch(1);
    row->addWidget(control);
    return row;
}

}  // namespace

LayoutPane::LayoutPane(DashboardPrefs& prefs, QWidget* parent)
    : PreferencesPane("Full Window Layout",
                      "Controls the Full Window dashboard — not the menu bar popover.", parent),
      prefs_(prefs),
      density_(new SegmentedPicker(densityLabels(), this)),
      width_(new SegmentedPicker(widthLabels(), this)) {
    QVBoxLayout* shown = addCard();
    auto* presets = new QHBoxLayout;
    presets->setSpacing(6);
    presets->addWidget(preferencesCaption("Presets", this));
    presets->addStretch(1);
    for (const LayoutPreset& preset : kLayoutPresets) {
        QPushButton* button =
            tarvelButton(QString::fromUtf8(preset.title), ButtonKind::plain, this);
        const std::string name = preset.name;
        connect(button, &QPushButton::clicked, this, [this, name] { prefs_.applyPreset(name); });
        presets->addWidget(button);
    }
    shown->addLayout(presets);
    shown->addWidget(new Hairline(this));
    for (const LayoutToggle& toggle : kLayoutToggles) {
        auto* item = new LabeledSwitch(QString::fromUtf8(toggle.title), {}, this);
        const auto field = toggle.field;
        connect(item, &LabeledSwitch::flipped, this, [this, field](bool on) {
            prefs_.*field = on;
            prefs_.save();
        });
        shown->addWidget(item);
        switches_.push_back(item);
    }

    QVBoxLayout* look = addCard();
    look->addLayout(captioned("Density", density_, this));
    look->addLayout(captioned("Window width", width_, this));
    connect(density_, &SegmentedPicker::chosen, this, [this](int index) {
        prefs_.density = DashboardPrefs::densities().at(std::size_t(index)).density;
        prefs_.save();
    });
    connect(width_, &SegmentedPicker::chosen, this, [this](int index) {
        prefs_.width = DashboardPrefs::widths().at(std::size_t(index)).width;
        prefs_.save();
    });
    look->addWidget(new Hairline(this));
    QPushButton* open = tarvelButton("Open Full Window", ButtonKind::prominent, this);
    connect(open, &QPushButton::clicked, this, [] { postAppNotification(tarvelOpenDashboard); });
    auto* openRow = new QHBoxLayout;
    openRow->addStretch(1);
    openRow->addWidget(open);
    look->addLayout(openRow);

    connect(&prefs_, &DashboardPrefs::saved, this, &LayoutPane::reload);
    reload();
}

void LayoutPane::reload() {
    for (std::size_t i = 0; i < switches_.size(); ++i)
        switches_[i]->setChecked(prefs_.*kLayoutToggles[i].field);
    density_->setCurrentIndex(static_cast<int>(prefs_.density));
    width_->setCurrentIndex(static_cast<int>(prefs_.width));
}

}  // namespace tarvel

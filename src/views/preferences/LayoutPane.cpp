#include "views/preferences/LayoutPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/AppNotifications.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"
#include "views/prefs/DashboardPrefs.h"
#include "views/prefs/LayoutEditors.h"

namespace tarvel {

namespace {

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
                      "Controls the Full Window dashboard — not the tray popover.", parent),
      prefs_(prefs),
      density_(densityPicker(prefs, this)),
      width_(widthPicker(prefs, this)) {
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
        LabeledSwitch* item = layoutSwitch(prefs_, toggle, this);
        shown->addWidget(item);
        switches_.push_back(item);
    }

    QVBoxLayout* look = addCard();
    look->addLayout(captioned("Density", density_, this));
    look->addLayout(captioned("Window width", width_, this));
    look->addWidget(new Hairline(this));
    QPushButton* open = tarvelButton("Open Full Window", ButtonKind::prominent, this);
    connect(open, &QPushButton::clicked, this, [] { postAppNotification(tarvelOpenDashboard); });
    auto* openRow = new QHBoxLayout;
    openRow->addStretch(1);
    openRow->addWidget(open);
    look->addLayout(openRow);

    connect(&prefs_, &DashboardPrefs::changed, this, &LayoutPane::reload);
    reload();
}

void LayoutPane::reload() {
    for (std::size_t i = 0; i < switches_.size(); ++i)
        switches_[i]->setChecked(prefs_.*kLayoutToggles[i].field);
    density_->setCurrentIndex(static_cast<int>(prefs_.density));
    width_->setCurrentIndex(static_cast<int>(prefs_.width));
}

}  // namespace tarvel

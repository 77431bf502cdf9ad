#include "views/preferences/MenuBarPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "shell/statusitem/MenuBarDisplayMode.h"
#include "shell/system/LaunchAtLoginHelper.h"
#include "shell/system/SystemBatteryMenuHider.h"
#include "views/ViewServices.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"

namespace tarvel {

namespace {
// Picker order.
constexpr MenuBarDisplayMode kModes[] = {MenuBarDisplayMode::percent, MenuBarDisplayMode::watts};
}  // namespace

MenuBarPane::MenuBarPane(ViewServices& services, QWidget* parent)
    : PreferencesPane("Menu Bar", "How Tarvel appears next to Control Center.", parent),
      services_(services),
      mode_(new SegmentedPicker({"% + Time", "% + Watts"}, this)),
      replaceBattery_(new LabeledSwitch("Use Tarvel as the battery icon",
                                        "Hides Apple’s battery icon so only Tarvel is shown.",
                                        this)),
      launchAtLogin_(new LabeledSwitch("Launch at Login", {}, this)) {
    QVBoxLayout* card = addCard();
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(preferencesCaption("Icon shows", this));
    modeRow->addStretch(1);
    modeRow->addWidget(mode_);
    card->addLayout(modeRow);
    card->addWidget(new Hairline(this));
    card->addWidget(replaceBattery_);
    card->addWidget(launchAtLogin_);

    connect(mode_, &SegmentedPicker::chosen, this,
            [this](int index) { MenuBarDisplay::set(services_.settings, kModes[index]); });
    connect(replaceBattery_, &LabeledSwitch::flipped, this, [this](bool on) {
        if (services_.hider) services_.hider->setEnabled(on);
    });
    // Stores the flag, then makes the autostart entry match it.
    connect(launchAtLogin_, &LabeledSwitch::flipped, this, [this](bool on) {
        if (services_.loginItem) services_.loginItem->setEnabled(on);
    });
    replaceBattery_->setEnabled(services_.hider != nullptr);
    launchAtLogin_->setEnabled(services_.loginItem != nullptr);
    reload();
}

void MenuBarPane::reload() {
    mode_->setCurrentIndex(
        MenuBarDisplay::current(services_.settings) == MenuBarDisplayMode::watts ? 1 : 0);
    replaceBattery_->setChecked(services_.hider && services_.hider->isEnabled());
    // What the autostart entries say, not what was last asked for: a failed write shows.
    launchAtLogin_->setChecked(services_.loginItem && services_.loginItem->isEnabled());
}

}  // namespace tarvel

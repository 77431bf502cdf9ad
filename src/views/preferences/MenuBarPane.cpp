#include "views/preferences/MenuBarPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "base/UserDefaults.h"
#include "shell/statusitem/MenuBarDisplayMode.h"
#include "shell/system/LaunchAtLoginHelper.h"
#include "views/TarvelCopy.h"
#include "views/ViewServices.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"

namespace tarvel {

namespace {
// Picker order.
constexpr MenuBarDisplayMode kModes[] = {MenuBarDisplayMode::percent, MenuBarDisplayMode::watts};
}  // namespace

MenuBarPane::MenuBarPane(ViewServices& services, QWidget* parent)
    : PreferencesPane("Menu Bar", "How Tarvel appears in the panel’s tray.", parent),
      services_(services),
      mode_(new SegmentedPicker({"% + Time", "% + Watts"}, this)),
      replaceBattery_(new LabeledSwitch(TarvelCopy::useTarvelAsBattery,
                                        "Linux desktops let no application hide their own "
                                        "battery icon.",
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
    // Stores the flag, then makes the autostart entry match it.
    connect(launchAtLogin_, &LabeledSwitch::flipped, this, [this](bool on) {
        if (services_.loginItem) services_.loginItem->setEnabled(on);
    });
    replaceBattery_->setEnabled(false);
    launchAtLogin_->setEnabled(services_.loginItem != nullptr);
    // Another process (or `tarvelctl`) may change these while the window is open.
    connect(&services_.settings, &UserDefaults::changed, this, [this](const std::string& key) {
        if (key == kMenuBarDisplayModeKey || key == kLaunchAtLogin) reload();
    });
    reload();
}

void MenuBarPane::reload() {
    mode_->setCurrentIndex(
        MenuBarDisplay::current(services_.settings) == MenuBarDisplayMode::watts ? 1 : 0);
    // What the autostart entries say, not what was last asked for: a failed write shows.
    launchAtLogin_->setChecked(services_.loginItem && services_.loginItem->isEnabled());
}

}  // namespace tarvel

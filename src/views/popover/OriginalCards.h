#pragma once

#include <QWidget>

namespace tarvel {

class EnergySection;
class PowerSection;
class SettingsSection;
class WhySection;
struct ViewServices;

// The card style: Power, Energy, Why drain? and Settings as collapsible monitor sections.
class OriginalCards : public QWidget {
    Q_OBJECT

public:
    explicit OriginalCards(ViewServices& services, QWidget* parent = nullptr);

    PowerSection* power() const { return power_; }
    EnergySection* energy() const { return energy_; }
    WhySection* why() const { return why_; }
    SettingsSection* settings() const { return settings_; }

private:
    PowerSection* power_;
    EnergySection* energy_;
    WhySection* why_;
    SettingsSection* settings_;
};

}  // namespace tarvel

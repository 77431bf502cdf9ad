#pragma once

#include "views/components/MonitorSection.h"

namespace tarvel {

class ProcessEnergyStore;

// The "Energy" card: each process of the top list with its share of the measured power, its
// CPU share, pid and executable.
class EnergySection : public MonitorSection {
    Q_OBJECT

public:
    static constexpr const char* kStorageKey = "tarvelpro.section.energy";

    EnergySection(ProcessEnergyStore& energy, UserDefaults& settings, QWidget* parent = nullptr);

public slots:
    void refresh();

private:
    ProcessEnergyStore& energy_;
    QVBoxLayout* rows_;
};

}  // namespace tarvel

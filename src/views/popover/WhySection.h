#pragma once

#include "drain/WhyDrain.h"
#include "views/components/MonitorSection.h"

namespace tarvel {

// The "Why drain?" card: the last hour's drop, its summary and culprits, and a refresh.
class WhySection : public MonitorSection {
    Q_OBJECT

public:
    static constexpr const char* kStorageKey = "tarvelpro.section.why";

    explicit WhySection(UserDefaults& settings, QWidget* parent = nullptr);

    // None yet: the analysis is still running.
    void showWhy(const WhyDrain* why);
    static QString summaryFor(const WhyDrain& why);

signals:
    void refreshRequested();

private:
    QVBoxLayout* rows_;
};

}  // namespace tarvel

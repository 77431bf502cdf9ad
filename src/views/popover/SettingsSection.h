#pragma once

#include "views/components/MonitorSection.h"

class QLabel;

namespace tarvel {

class CommitSlider;
struct ViewServices;

// The "Settings" card: version and install place, launch at login, updates, and the local
// history's retention and housekeeping.
class SettingsSection : public MonitorSection {
    Q_OBJECT

public:
    static constexpr const char* kStorageKey = "tarvelpro.section.settings";

    explicit SettingsSection(ViewServices& services, QWidget* parent = nullptr);

    CommitSlider* retentionSlider() const { return retention_; }
    static QString retentionText(int days);

private:
    void showRetention();

    ViewServices& services_;
    QLabel* retentionLabel_;
    CommitSlider* retention_;
};

}  // namespace tarvel

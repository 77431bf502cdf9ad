#pragma once

#include <QWidget>
#include <array>

#include "views/preferences/PreferencesSection.h"

class QScrollArea;

namespace tarvel {

class AlertsPane;
class MenuBarPane;
class PreferencesPane;
class PreferencesSidebar;
struct ViewServices;

// The preferences window's content: the sidebar of panes and the selected pane in a scroll
// view. Starts at Menu Bar. Each time it is shown it re-reads the settings it shows from their
// owners and starts the charge controller, so nothing on screen is stale.
class PreferencesRoot : public QWidget {
    Q_OBJECT

public:
    PreferencesRoot(ViewServices& services, QWidget* parent = nullptr);

    PreferencesSection section() const { return section_; }
    void select(PreferencesSection section);
    PreferencesPane* pane(PreferencesSection section) const;
    PreferencesSidebar* sidebar() const { return sidebar_; }
    QSize sizeHint() const override;

signals:
    void sectionChanged(PreferencesSection section);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ViewServices& services_;
    PreferencesSection section_ = PreferencesSection::menuBar;
    PreferencesSidebar* sidebar_;
    QScrollArea* scroll_;
    std::array<PreferencesPane*, kPreferencesSections.size()> panes_{};
    MenuBarPane* menuBar_;
    AlertsPane* alerts_;
};

}  // namespace tarvel

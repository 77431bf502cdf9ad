#pragma once

#include <QTimer>
#include <QWidget>
#include <optional>

#include "drain/WhyDrain.h"

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QScrollArea;
class QVBoxLayout;

namespace tarvel {

struct ViewServices;
class DashboardAppsSection;
class DashboardCustomizePanel;
class DashboardEnergySection;
class DashboardHeader;
class DashboardHero;
class DashboardKeyCatcher;
class DashboardPowerSection;
class DashboardWhySection;
class FauxMenuBar;
class TarvelOnboardingSheet;
class WhyLoader;

// The full-window battery view: the faux menu bar, the header, the hero card, the Power,
// Energy Mode, Apps and Why sections as the layout preferences ask, the footer, and the
// layout panel over them. Values are rewritten in place as the stores publish; the cards are
// rebuilt only when the layout changes.
class DashboardRoot : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWhyRefreshMs = 20000;
    static constexpr int kPanelFadeMs = 150;

    explicit DashboardRoot(ViewServices& services, QWidget* parent = nullptr);
    ~DashboardRoot() override;

    bool isCustomizeOpen() const { return customizeOpen_; }
    void setCustomizeOpen(bool open);
    void toggleCustomize();
    // Closes the layout panel when it is open, else asks for the window to close.
    void escape();

    // Shows a why-drain answer (the loader's, or one given).
    void showWhy(const WhyDrain& why);
    // Asks the loader for a fresh answer off the main thread.
    void reloadWhy();
    const std::optional<WhyDrain>& why() const { return why_; }
    bool isLowPower() const { return lowPower_; }

    DashboardCustomizePanel* customizePanel() const { return panel_; }
    DashboardKeyCatcher* keyCatcher() const { return catcher_; }
    DashboardHeader* header() const { return header_; }
    // Runs only while the view is shown.
    const QTimer& whyTimer() const { return whyTimer_; }
    WhyLoader& whyLoader() const { return *whyLoader_; }
    // The welcome sheet while it is up, else null.
    TarvelOnboardingSheet* onboardingSheet() const { return onboarding_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    void scheduleRefresh();
    void refresh();
    void placeOverlays();
    void showOnboarding();
    void fadePanel(bool open);

    ViewServices& services_;
    std::unique_ptr<WhyLoader> whyLoader_;
    std::optional<WhyDrain> why_;
    bool lowPower_ = false;
    bool customizeOpen_ = false;
    bool refreshPending_ = false;

    QScrollArea* scroll_;
    QWidget* content_ = nullptr;
    FauxMenuBar* fauxMenuBar_ = nullptr;
    DashboardHeader* header_ = nullptr;
    DashboardHero* hero_ = nullptr;
    DashboardPowerSection* power_ = nullptr;
    DashboardEnergySection* energy_ = nullptr;
    DashboardAppsSection* apps_ = nullptr;
    DashboardWhySection* whySection_ = nullptr;

    DashboardCustomizePanel* panel_;
    QGraphicsOpacityEffect* panelOpacity_;
    QPropertyAnimation* panelFade_;
    QWidget* onboardingCover_ = nullptr;
    TarvelOnboardingSheet* onboarding_ = nullptr;
    DashboardKeyCatcher* catcher_;
    QTimer whyTimer_;
};

}  // namespace tarvel

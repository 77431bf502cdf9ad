#include "views/dashboard/DashboardRoot.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "charge/ChargeLimitController.h"
#include "drain/DrainLog.h"
#include "drain/ProcessEnergyStore.h"
#include "platform/LowPowerMode.h"
#include "shell/AppNotifications.h"
#include "telemetry/PowerStore.h"
#include "views/TarvelOnboarding.h"
#include "views/TarvelOnboardingSheet.h"
#include "views/TarvelTheme.h"
#include "views/ViewServices.h"
#include "views/WhyLoader.h"
#include "views/dashboard/DashboardCustomizePanel.h"
#include "views/dashboard/DashboardHeader.h"
#include "views/dashboard/DashboardHero.h"
#include "views/dashboard/DashboardKeyCatcher.h"
#include "views/dashboard/DashboardSections.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel {

namespace {

constexpr int kPanelWidth = 320;
constexpr int kPanelMargin = 12;

// Dims the dashboard under the welcome sheet.
class SheetCover : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), QColor(0, 0, 0, 140));
    }
};

}  // namespace

DashboardRoot::DashboardRoot(ViewServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      whyLoader_(std::make_unique<WhyLoader>(services.drainLog.fileURL(), services.clock)),
      scroll_(new QScrollArea(this)),
      panel_(new DashboardCustomizePanel(services.prefs, this)),
      panelOpacity_(new QGraphicsOpacityEffect(panel_)),
      panelFade_(new QPropertyAnimation(panelOpacity_, "opacity", this)),
      catcher_(new DashboardKeyCatcher(this)) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, TarvelColor::bg.color());
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setPalette(palette);
    scroll_->viewport()->setPalette(palette);
    scroll_->viewport()->setAutoFillBackground(true);
    layout->addWidget(scroll_);

    panel_->setGraphicsEffect(panelOpacity_);
    panel_->hide();
    panelFade_->setDuration(kPanelFadeMs);
    panelFade_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(panelFade_, &QPropertyAnimation::finished, this, [this] {
        if (!customizeOpen_) panel_->hide();
    });
    connect(panel_, &DashboardCustomizePanel::done, this, [this] { setCustomizeOpen(false); });

    connect(catcher_, &DashboardKeyCatcher::escapePressed, this, &DashboardRoot::escape);
    connect(catcher_, &DashboardKeyCatcher::commaPressed, this, &DashboardRoot::toggleCustomize);

    whyTimer_.setInterval(kWhyRefreshMs);
    connect(&whyTimer_, &QTimer::timeout, this, &DashboardRoot::reloadWhy);
    connect(whyLoader_.get(), &WhyLoader::loaded, this, &DashboardRoot::showWhy);

    PowerStore& power = services.power;
    for (auto signal : {&PowerStore::pollApplied, &PowerStore::levelPercentChanged,
                        &PowerStore::isChargingChanged, &PowerStore::isOnACChanged,
                        &PowerStore::batteryPresentChanged, &PowerStore::packageWattsChanged,
                        &PowerStore::timeTextChanged, &PowerStore::statusTextChanged,
                        &PowerStore::chargeWattsChanged, &PowerStore::wattHistorySparkChanged,
                        &PowerStore::hasPowerDistributionChanged})
        connect(&power, signal, this, &DashboardRoot::scheduleRefresh);
    for (auto signal :
         {&ChargeLimitController::isEnabledChanged, &ChargeLimitController::limitPercentChanged,
          &ChargeLimitController::modeDescriptionChanged, &ChargeLimitController::statusChanged})
        connect(&services.charge, signal, this, &DashboardRoot::scheduleRefresh);
    connect(&services.energy, &ProcessEnergyStore::topChanged, this, [this] {
        if (apps_) apps_->setApps(services_.energy.top());
    });
    connect(&services.lowPower, &LowPowerMode::changed, this, [this] {
        lowPower_ = services_.lowPower.isLowPowerModeEnabled();
        if (energy_) energy_->setLowPower(lowPower_);
    });
    connect(&services.prefs, &DashboardPrefs::changed, this, [this] {
        rebuild();
        panel_->syncFromPrefs();
    });

    rebuild();
}

DashboardRoot::~DashboardRoot() = default;

void DashboardRoot::rebuild() {
    const DashboardPrefs& prefs = services_.prefs;
    const auto& density = prefs.densityInfo();
    // The old cards go at once: nothing of theirs is on the stack here.
    delete content_;
    fauxMenuBar_ = nullptr;
    hero_ = nullptr;
    power_ = nullptr;
    energy_ = nullptr;
    apps_ = nullptr;
    whySection_ = nullptr;

    content_ = new QWidget;
    content_->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(density.hPad, density.rowPad, density.hPad, density.rowPad);
    column->setSpacing(density.rowPad);

    if (prefs.showFauxMenubar) {
        fauxMenuBar_ = new FauxMenuBar(content_);
        column->addWidget(fauxMenuBar_);
    }
    header_ = new DashboardHeader(content_);
    header_->layoutButton()->setRaised(customizeOpen_);
    connect(header_->layoutButton(), &QAbstractButton::clicked, this,
            &DashboardRoot::toggleCustomize);
    column->addWidget(header_);
    if (DashboardHero::wanted(prefs)) {
        hero_ = new DashboardHero(prefs, content_);
        column->addWidget(hero_);
    }
    if (DashboardPowerSection::wanted(prefs)) {
        power_ = new DashboardPowerSection(prefs, services_.settings, content_);
        column->addWidget(power_);
    }
    if (prefs.showEnergyMode) {
        energy_ = new DashboardEnergySection(services_.actions.openBatterySettings,
                                             services_.settings, content_);
        energy_->setRadius(prefs.cornerRadius);
        energy_->setLowPower(lowPower_);
        column->addWidget(energy_);
    }
    if (prefs.showAppsRow || prefs.showTopAppsList) {
        apps_ = new DashboardAppsSection(prefs.showTopAppsList, services_.settings, content_);
        apps_->setRadius(prefs.cornerRadius);
        apps_->setApps(services_.energy.top());
        column->addWidget(apps_);
    }
    if (prefs.showWhyRow || prefs.showWhyDetail) {
        whySection_ = new DashboardWhySection(prefs.showWhyDetail, services_.settings, content_);
        whySection_->setRadius(prefs.cornerRadius);
        whySection_->setWhy(why_);
        connect(whySection_, &DashboardWhySection::refreshRequested, this,
                &DashboardRoot::reloadWhy);
        column->addWidget(whySection_);
    }
    column->addStretch(1);
    const auto& actions = services_.actions;
    column->addWidget(
        new DashboardFooter({QString::fromStdString(actions.tarvelProTitle),
                             QString::fromStdString(actions.ombrelTitle), actions.openTarvelPro,
                             actions.openOmbrel, actions.checkForUpdates},
                            content_));
    scroll_->setWidget(content_);
    refresh();
}

void DashboardRoot::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    // A poll changes many values at once: they are shown together.
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        refresh();
    });
}

void DashboardRoot::refresh() {
    const PowerStore& power = services_.power;
    if (fauxMenuBar_) fauxMenuBar_->refresh(power);
    header_->refresh(power, why_ ? why_->dropPercent : 0);
    if (hero_) hero_->refresh(power);
    if (power_) power_->refresh(power, services_.charge);
}

void DashboardRoot::showWhy(const WhyDrain& why) {
    why_ = why;
    if (whySection_) whySection_->setWhy(why_);
    header_->refresh(services_.power, why.dropPercent);
}

void DashboardRoot::reloadWhy() {
    whyLoader_->load();
}

void DashboardRoot::setCustomizeOpen(bool open) {
    if (open == customizeOpen_) return;
    customizeOpen_ = open;
    header_->layoutButton()->setRaised(open);
    if (open) panel_->syncFromPrefs();
    fadePanel(open);
}

void DashboardRoot::toggleCustomize() {
    setCustomizeOpen(!customizeOpen_);
}

void DashboardRoot::escape() {
    if (customizeOpen_)
        setCustomizeOpen(false);
    else
        postAppNotification(tarvelCloseDashboard);
}

void DashboardRoot::fadePanel(bool open) {
    panelFade_->stop();
    if (!isVisible()) {
        // Nothing to watch: the end state at once.
        panelOpacity_->setOpacity(open ? 1 : 0);
        panel_->setVisible(open);
        return;
    }
    if (open) {
        placeOverlays();
        panel_->show();
        panel_->raise();
    }
    panelFade_->setStartValue(panelOpacity_->opacity());
    panelFade_->setEndValue(open ? 1.0 : 0.0);
    panelFade_->start();
}

void DashboardRoot::placeOverlays() {
    // Under the header, so its layout button stays in reach.
    const int top = std::clamp(header_->mapTo(this, QPoint(0, header_->height())).y() + 8,
                               kPanelMargin, std::max(kPanelMargin, this->height() / 3));
    const int width = std::min(kPanelWidth, this->width() - 2 * kPanelMargin);
    const int height = std::min(panel_->preferredHeight(), this->height() - top - kPanelMargin);
    panel_->setGeometry(this->width() - width - kPanelMargin, top, width, height);
    if (onboardingCover_) {
        onboardingCover_->setGeometry(rect());
        onboarding_->adjustSize();
        const QSize sheet = onboarding_->size();
        onboarding_->move((this->width() - sheet.width()) / 2,
                          std::max(kPanelMargin, (this->height() - sheet.height()) / 2));
    }
}

void DashboardRoot::showOnboarding() {
    if (onboarding_ || TarvelOnboarding::hasSeen(services_.settings)) return;
    onboardingCover_ = new SheetCover(this);
    onboarding_ = new TarvelOnboardingSheet(services_.settings, onboardingCover_);
    connect(onboarding_, &TarvelOnboardingSheet::dismissed, this, [this] {
        onboardingCover_->hide();
        onboardingCover_->deleteLater();
        onboardingCover_ = nullptr;
        onboarding_ = nullptr;
    });
    placeOverlays();
    onboardingCover_->show();
    onboardingCover_->raise();
}

void DashboardRoot::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    lowPower_ = services_.lowPower.isLowPowerModeEnabled();
    if (energy_) energy_->setLowPower(lowPower_);
    reloadWhy();
    services_.prefs.seedFirstOpenIfNeeded();
    showOnboarding();
    whyTimer_.start();
    catcher_->setWatching(true);
    catcher_->setFocus(Qt::OtherFocusReason);
    placeOverlays();
}

void DashboardRoot::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    whyTimer_.stop();
    catcher_->setWatching(false);
}

void DashboardRoot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeOverlays();
}

}  // namespace tarvel

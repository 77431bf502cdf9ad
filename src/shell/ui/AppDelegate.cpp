#include "shell/ui/AppDelegate.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QStyleHints>
#include <QTimer>
#include <QUrl>

#include "app/AppCore.h"
#include "base/SharedInstance.h"
#include "base/UserDefaults.h"
#include "platform/CommandRunner.h"
#include "platform/LowPowerMode.h"
#include "shell/AppNotifications.h"
#include "shell/UpdateEndpoints.h"
#include "shell/panel/MenuPanelModel.h"
#include "shell/statusitem/BatteryMenuChrome.h"
#include "shell/statusitem/MenuBarBatteryIcon.h"
#include "shell/statusitem/StatusDrawThrottle.h"
#include "shell/system/LaunchAtLoginHelper.h"
#include "shell/system/MenuBarPositionStore.h"
#include "shell/ui/MainMenu.h"
#include "shell/ui/PopoverWindow.h"
#include "shell/ui/SurfaceColors.h"
#include "shell/ui/SurfaceWindow.h"
#include "shell/ui/TrayActivationPoint.h"

namespace tarvel {

namespace {

constexpr const char* kLaunchAtLoginKey = "tarvelpro.launchAtLogin";

bool lowPowerOn(AppCore& core) {
    return core.platform().lowPowerMode().isLowPowerModeEnabled();
}

// The companion application does not exist on Linux: the menu item offers its web page.
constexpr const char* kGetTarvelPro = "Get Tarvel Pro";

}  // namespace

AppDelegate::AppDelegate(AppCore& core, QObject* parent)
    : QObject(parent),
      core_(core),
      panel_(std::make_unique<MenuPanelModel>(core.powerStore(), core.processEnergy(),
                                              core.platform().lowPowerMode())),
      position_(std::make_unique<MenuBarPositionStore>(core.settings())),
      loginItem_(std::make_unique<LaunchAtLoginHelper>(core.settings(),
                                                       QCoreApplication::applicationFilePath())),
      throttle_(std::make_unique<StatusDrawThrottle>(
          core.platform().clock(), [this] { updateStatusTitle(); },
          StatusDrawThrottle::mainThreadScheduler(this))),
      cardWidth_([] { return kCardWidthRegular; }) {
    SharedInstance<MenuPanelModel>::set(panel_.get());
}

AppDelegate::~AppDelegate() {
    SharedInstance<MenuPanelModel>::clear(panel_.get());
    delete dashboardWindow_;
    delete preferencesWindow_;
}

void AppDelegate::applicationDidFinishLaunching() {
    // The autostart entry is the truth; the flag only mirrors it for the toggles.
    loginItem_->syncFromSystem();
    startServices();
}

void AppDelegate::startServices() {
    if (later_.startWeather) later_.startWeather();
    core_.start();

    TrayActivationPoint::install();
    createStatusItem();
    popover_ = std::make_unique<PopoverWindow>();
    connect(popover_.get(), &PopoverWindow::closed, this, &AppDelegate::popoverDidClose);
    warmPopoverContent();

    connect(&core_.platform().lowPowerMode(), &LowPowerMode::changed, this, [this] {
        lastStatusKey_.clear();
        redrawNow();
    });
    // Once per applied poll, when every value (the time text last of all) is in: a redraw on
    // the level or the power source alone would show the time of the poll before.
    subscriptions_.push_back(connect(&core_.powerStore(), &PowerStore::pollApplied, this,
                                     [this] { throttle_->request(); }));
    connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted, this,
            &AppDelegate::handleNotification);
    // `tarvelctl` or another copy may change what the icon shows.
    connect(&core_.settings(), &UserDefaults::changed, this, [this](const std::string& key) {
        if (key == kMenuBarDisplayModeKey || key == kCriticalBatteryPercentKey)
            handleNotification(tarvelMenuBarDisplayChanged);
    });
    QTimer::singleShot(kTrayGraceMs, this, &AppDelegate::openDashboardIfNoTray);
    QTimer::singleShot(kLaunchUpdateCheckDelayMs, this, [this] {
        if (later_.checkOnLaunch) later_.checkOnLaunch();
    });
}

void AppDelegate::handleNotification(const QString& name) {
    if (name == tarvelRebuildStatusItem)
        createStatusItem();
    else if (name == tarvelOpenDashboard)
        openDashboard();
    else if (name == tarvelOpenPreferences)
        openPreferences();
    else if (name == tarvelMenuBarDisplayChanged) {
        lastStatusKey_.clear();
        redrawNow();
    } else if (name == tarvelDashboardPrefsChanged)
        widenDashboardIfNeeded();
    else if (name == tarvelCloseDashboard)
        closeDashboard();
    else if (name == tarvelClosePopover)
        closeMenubarPopover();
}

void AppDelegate::createStatusItem() {
    statusItem_ = std::make_unique<QSystemTrayIcon>();
    position_->configureStatusItem(*statusItem_);
    // Trays that speak StatusNotifier show the exported menu themselves and only ever deliver
    // Trigger: the menu is set once and refreshed as it opens.
    contextMenu_ = std::make_unique<QMenu>();
    connect(contextMenu_.get(), &QMenu::aboutToShow, this, &AppDelegate::refreshContextMenu);
    refreshContextMenu();
    statusItem_->setContextMenu(contextMenu_.get());
    connect(statusItem_.get(), &QSystemTrayIcon::activated, this, &AppDelegate::trayActivated);
    lastStatusKey_.clear();
    lastTooltipKey_.clear();
    drawnIcon_.clear();
    updateStatusTitle();
    statusItem_->show();
}

void AppDelegate::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    const double now = core_.platform().clock().now();
    const double interval = QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
    TrayClickInterpreter::Gesture gesture;
    if (reason == QSystemTrayIcon::Trigger) {
        const auto point = TrayActivationPoint::take();
        if (point && !point->isNull() && QGuiApplication::screenAt(*point)) hostClickPoint_ = point;
        gesture = clicks_.activation(now, interval);
    } else if (reason == QSystemTrayIcon::DoubleClick) {
        gesture = clicks_.doubleClick(now, interval);
    } else {
        return;
    }
    if (gesture == TrayClickInterpreter::Gesture::single) {
        togglePopover();
    } else if (gesture == TrayClickInterpreter::Gesture::doubleClick) {
        closeMenubarPopover();
        openDashboard();
    }
}

void AppDelegate::refreshContextMenu() {
    QMenu& menu = *contextMenu_;
    menu.clear();
    menu.addAction("Full Window", this, &AppDelegate::openDashboard);
    menu.addAction("Customize…", this, &AppDelegate::openPreferences);
    menu.addAction("Battery Menu", this, &AppDelegate::forceShowPopover);
    menu.addSeparator();
    menu.addAction(kGetTarvelPro, this, &AppDelegate::openTarvelPro);
    menu.addSeparator();
    menu.addAction("Check for Updates", this, &AppDelegate::checkUpdates);
    menu.addAction("Website", this, &AppDelegate::openWebsite);
    menu.addSeparator();
    QAction* quit = menu.addAction("Quit Tarvel Pro", this, &AppDelegate::quitApp);
    quit->setShortcut(QKeySequence("Ctrl+Q"));
}

void AppDelegate::redrawNow() {
    throttle_->noteImmediateDraw();
    updateStatusTitle();
}

void AppDelegate::updateStatusTitle() {
    if (!statusItem_) return;
    const StatusItemState state =
        statusItemState(core_.powerStore(), core_.settings(), lowPowerOn(core_));
    const std::string key = statusKey(state);
    if (key == lastStatusKey_) return;
    lastStatusKey_ = key;

    // Trays show icons square: the square rendering carries the symbol, ink and level; the full
    // text is in the tooltip.
    // Most changes (the watts, the minutes) leave the picture as it was: setting it again would
    // only make the tray repaint, a wake-up of ours and the tray's every poll.
    std::vector<QImage> images;
    const double ratio = qApp->devicePixelRatio();
    for (int size : {16, 22, 24, 32, 48, 64})
        images.push_back(MenuBarBatteryIcon::trayIcon(state, size, ratio));
    if (images != drawnIcon_) {
        QIcon icon;
        for (const QImage& image : images) icon.addPixmap(QPixmap::fromImage(image));
        statusItem_->setIcon(icon);
        drawnIcon_ = std::move(images);
    }

    const std::string tooltip = tooltipKey(state);
    if (tooltip == lastTooltipKey_) return;
    lastTooltipKey_ = tooltip;
    statusItem_->setToolTip(QString::fromStdString(tooltipText(state)));
}

QRect AppDelegate::popoverAnchor() const {
    const QRect icon = statusItem_ ? statusItem_->geometry() : QRect();
    if (!icon.isEmpty()) return icon;
    // StatusNotifier hosts give no geometry; most pass the clicked point.
    return hostClickPoint_ ? QRect(*hostClickPoint_, QSize(1, 1)) : QRect();
}

PopoverSize AppDelegate::currentPopoverSize() const {
    const QRect anchor = popoverAnchor();
    QScreen* screen = anchor.isEmpty() ? nullptr : QGuiApplication::screenAt(anchor.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return adaptivePopoverSize(screen ? std::optional<double>(screen->availableGeometry().height())
                                      : std::nullopt);
}

void AppDelegate::warmPopoverContent() {
    if (lastPopoverSize_.width <= 0) lastPopoverSize_ = currentPopoverSize();
    if (!popover_->content()) {
        popover_->setContent(popoverContent(lastPopoverSize_), lastPopoverSize_);
        panel_->refreshNow();
    }
    popoverWarm_ = true;
}

void AppDelegate::applyPopoverSizeIfNeeded() {
    const PopoverSize next = currentPopoverSize();
    if (!popoverNeedsResize(lastPopoverSize_, next, popoverWarm_)) return;
    lastPopoverSize_ = next;
    popover_->setContent(popoverContent(next), next);
}

void AppDelegate::togglePopover() {
    if (popover_ && popover_->isVisible()) {
        closeMenubarPopover();
        return;
    }
    showPopover(false);
}

void AppDelegate::forceShowPopover() {
    if (popover_ && popover_->isVisible()) return;
    showPopover(true);
}

void AppDelegate::showPopover(bool forced) {
    if (!popover_) return;
    const double now = core_.platform().clock().now();
    if (!forced && !reopenGuard_.mayOpen(now)) return;
    if (!popoverWarm_) warmPopoverContent();
    // Sized before it is placed: the place above a bottom panel depends on the height.
    applyPopoverSizeIfNeeded();
    popover_->showNear(popoverAnchor());
    if (forced)
        QTimer::singleShot(0, this, &AppDelegate::enterFastMode);
    else
        enterFastMode();
}

void AppDelegate::enterFastMode() {
    panel_->startTracking();
    if (!core_.powerStore().fastMode()) core_.powerStore().setFastMode(true);
    core_.processEnergy().setFastMode(true);
}

void AppDelegate::leaveFastMode() {
    if (core_.powerStore().fastMode()) core_.powerStore().setFastMode(false);
    if (core_.processEnergy().fastMode()) core_.processEnergy().setFastMode(false);
}

void AppDelegate::closeMenubarPopover() {
    if (popover_ && popover_->isVisible()) popover_->hide();
}

void AppDelegate::popoverDidClose() {
    reopenGuard_.noteClosed(core_.platform().clock().now());
    panel_->stopTracking();
    leaveFastMode();
}

QWidget* AppDelegate::popoverContent(const PopoverSize& size) {
    return content_.popover ? content_.popover(size) : new QWidget;
}

SurfaceWindow* AppDelegate::buildDashboard() {
    const double width = std::max(cardWidth_(), 420.0);
    auto* window = new SurfaceWindow("Tarvel Pro", kDashboardBackground, QSize(int(width), 560),
                                     QSize(360, 420));
    if (content_.dashboard) window->setContent(content_.dashboard());
    installMenus(*window);
    return window;
}

SurfaceWindow* AppDelegate::buildPreferences() {
    auto* window =
        new SurfaceWindow("Customize", kPreferencesBackground, QSize(780, 560), QSize(640, 420));
    if (content_.preferences) window->setContent(content_.preferences());
    installMenus(*window);
    // The dashboard handles Escape itself (its panel first).
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    connect(escape, &QShortcut::activated, window, &QWidget::close);
    return window;
}

void AppDelegate::installMenus(SurfaceWindow& window) {
    installMainMenu(*window.menuBar(), {[this] { openDashboard(); }, [this] { openPreferences(); },
                                        [w = &window] { w->close(); }, [this] { quitApp(); }});
}

void AppDelegate::showCentred(QWidget& window) {
    // Without a window manager (or under a tiling one that floats it) a new window would open
    // at 0,0: centre it on the tray icon's screen, else the pointer's.
    const QRect anchor = popoverAnchor();
    QScreen* screen = anchor.isEmpty() ? nullptr : QGuiApplication::screenAt(anchor.center());
    if (!screen) screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        QRect frame(QPoint(), window.size());
        frame.moveCenter(area.center());
        window.move(std::max(frame.left(), area.left()), std::max(frame.top(), area.top()));
    }
    window.show();
    bringForward(window);
}

void AppDelegate::bringForward(QWidget& window) {
    if (window.isMinimized()) window.showNormal();
    window.raise();
    window.activateWindow();
}

void AppDelegate::openDashboard() {
    if (popover_ && popover_->isVisible()) popover_->hide();
    leaveFastMode();
    if (dashboardWindow_ && dashboardWindow_->isVisible()) {
        bringForward(*dashboardWindow_);
        return;
    }
    delete dashboardWindow_;  // a hidden or closed window is replaced
    dashboardWindow_ = buildDashboard();
    showCentred(*dashboardWindow_);
}

void AppDelegate::closeDashboard() {
    if (dashboardWindow_) dashboardWindow_->hide();
}

void AppDelegate::openPreferences() {
    closeMenubarPopover();
    leaveFastMode();
    if (preferencesWindow_ && preferencesWindow_->isVisible()) {
        bringForward(*preferencesWindow_);
        return;
    }
    delete preferencesWindow_;
    preferencesWindow_ = buildPreferences();
    showCentred(*preferencesWindow_);
}

void AppDelegate::widenDashboardIfNeeded() {
    if (!dashboardWindow_) return;
    const auto width = dashboardWidthAfterPrefsChange(dashboardWindow_->width(), cardWidth_());
    if (width) dashboardWindow_->resize(int(*width), dashboardWindow_->height());
}

void AppDelegate::applicationShouldHandleReopen() {
    // Whichever of our windows is open comes forward; with none, the dashboard opens.
    bool shown = false;
    for (SurfaceWindow* window : {preferencesWindow_, dashboardWindow_})
        if (window && window->isVisible()) {
            bringForward(*window);
            shown = true;
        }
    if (!shown) openDashboard();
}

void AppDelegate::openDashboardIfNoTray() {
    // A desktop without a tray host: the dashboard keeps the application usable.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) openDashboard();
}

void AppDelegate::checkUpdates() {
    if (later_.checkForUpdates) later_.checkForUpdates();
}

void AppDelegate::openWebsite() {
    QDesktopServices::openUrl(QUrl(UPDATE_PAGE_URL));
}

void AppDelegate::openTarvelPro() {
    openWebsite();
}

void AppDelegate::quitApp() {
    QCoreApplication::quit();
}

void AppDelegate::applicationWillTerminate() {
    for (const auto& connection : subscriptions_) disconnect(connection);
    subscriptions_.clear();
}

}  // namespace tarvel

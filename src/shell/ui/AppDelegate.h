#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/PopoverRules.h"
#include "shell/ui/SurfaceWindow.h"

class QMenu;

namespace tarvel {

class AppCore;
class LaunchAtLoginHelper;
class MenuBarPositionStore;
class MenuPanelModel;
class PopoverWindow;
class StatusDrawThrottle;

// The tray application around one started core: the tray item and its redraws, the popover,
// the dashboard and preferences windows, the application's notifications, reopening, and the
// steps at launch and at quit. Main thread only.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // How long to wait for a tray host before the dashboard opens instead (at login the panel
    // may start after Tarvel).
    static constexpr int kTrayGraceMs = 5000;

    explicit AppDelegate(AppCore& core, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch steps, then the start-up sequence.
    void applicationDidFinishLaunching();
    // Tarvel launched again while running (or activated by the desktop).
    void applicationShouldHandleReopen();
    // The termination steps; the application object quits afterwards.
    void applicationWillTerminate();

    void openDashboard();
    void openPreferences();
    void closeDashboard();
    void forceShowPopover();
    void togglePopover();
    void closeMenubarPopover();
    void checkUpdates();
    void openWebsite();
    void openTarvelPro();
    void quitApp();

    // For tests and screenshots.
    QSystemTrayIcon* statusItem() const { return statusItem_.get(); }
    PopoverWindow* popover() const { return popover_.get(); }
    SurfaceWindow* dashboardWindow() const { return dashboardWindow_; }
    SurfaceWindow* preferencesWindow() const { return preferencesWindow_; }
    const std::string& lastStatusKey() const { return lastStatusKey_; }
    // The card width the dashboard is sized for (the dashboard preferences decide it).
    void setCardWidthSource(std::function<double()> cardWidth) {
        cardWidth_ = std::move(cardWidth);
    }

    // Services that join the start-up sequence later (local weather, the update check); each
    // does nothing while unset.
    struct LaterServices {
        std::function<void()> startWeather;     // first in the start-up sequence
        std::function<void()> checkOnLaunch;    // 1.2 s after start-up
        std::function<void()> checkForUpdates;  // the menus' "Check for Updates"
    };
    void setLaterServices(LaterServices services) { later_ = std::move(services); }

    // What the popover and the two windows show; each builds a new root view. Unset: empty.
    struct ContentFactories {
        std::function<QWidget*(const PopoverSize&)> popover;
        std::function<QWidget*()> dashboard;
        std::function<QWidget*()> preferences;
    };
    void setContentFactories(ContentFactories factories) { content_ = std::move(factories); }

    MenuPanelModel& panel() const { return *panel_; }
    LaunchAtLoginHelper& loginItem() const { return *loginItem_; }
    static constexpr int kLaunchUpdateCheckDelayMs = 1200;

private:
    void startServices();
    void createStatusItem();
    void updateStatusTitle();
    void redrawNow();
    void showContextMenu();
    void refreshContextMenu();
    void warmPopoverContent();
    void applyPopoverSizeIfNeeded();
    PopoverSize currentPopoverSize() const;
    QRect popoverAnchor() const;
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    void showPopover(bool forced);
    void enterFastMode();
    void leaveFastMode();
    void popoverDidClose();
    void handleNotification(const QString& name);
    void widenDashboardIfNeeded();
    void openDashboardIfNoTray();
    SurfaceWindow* buildDashboard();
    SurfaceWindow* buildPreferences();
    void showCentred(QWidget& window);
    static void bringForward(QWidget& window);
    void installMenus(SurfaceWindow& window);
    QWidget* popoverContent(const PopoverSize& size);

    AppCore& core_;
    std::unique_ptr<MenuPanelModel> panel_;
    std::unique_ptr<MenuBarPositionStore> position_;
    std::unique_ptr<LaunchAtLoginHelper> loginItem_;
    std::unique_ptr<StatusDrawThrottle> throttle_;

    std::unique_ptr<QSystemTrayIcon> statusItem_;
    std::unique_ptr<QMenu> contextMenu_;
    std::unique_ptr<PopoverWindow> popover_;
    QPointer<SurfaceWindow> dashboardWindow_;
    QPointer<SurfaceWindow> preferencesWindow_;
    std::string lastStatusKey_;
    std::string lastTooltipKey_;
    std::vector<QImage> drawnIcon_;  // what the tray item shows now, each size
    PopoverSize lastPopoverSize_{kPopoverWidth, 480};
    bool popoverWarm_ = false;
    PopoverReopenGuard reopenGuard_;
    TrayClickInterpreter clicks_;
    // Where the StatusNotifier host last said the icon was clicked (screen coordinates).
    std::optional<QPoint> hostClickPoint_;
    std::function<double()> cardWidth_;
    LaterServices later_;
    ContentFactories content_;
    std::vector<QMetaObject::Connection> subscriptions_;
};

}  // namespace tarvel

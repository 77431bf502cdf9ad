#pragma once

#include <functional>

class QMenuBar;

namespace tarvel {

// What the application menu's own items do.
struct MainMenuActions {
    std::function<void()> openDashboard;
    std::function<void()> openPreferences;
    std::function<void()> closeWindow;  // the window the menu belongs to
    std::function<void()> quit;
};

// Fills a window's menu bar with the application menu ("Tarvel") and the Edit menu. The
// shortcuts use Ctrl where the original uses Command.
void installMainMenu(QMenuBar& bar, const MainMenuActions& actions);

}  // namespace tarvel

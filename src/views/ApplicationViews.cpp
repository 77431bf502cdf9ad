#include "views/ApplicationViews.h"

#include "shell/ui/AppDelegate.h"
#include "views/ViewServices.h"
#include "views/dashboard/DashboardRoot.h"
#include "views/popover/MainRoot.h"
#include "views/preferences/PreferencesRoot.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel {

void installApplicationViews(AppDelegate& delegate, ViewServices& services) {
    delegate.setContentFactories({
        [&services](const PopoverSize& size) -> QWidget* {
            return new MainRoot(services, QSize(int(size.width), int(size.height)));
        },
        [&services]() -> QWidget* { return new DashboardRoot(services); },
        [&services]() -> QWidget* { return new PreferencesRoot(services); },
    });
    DashboardPrefs& prefs = services.prefs;
    delegate.setCardWidthSource([&prefs] { return double(prefs.widthInfo().points); });
}

}  // namespace tarvel

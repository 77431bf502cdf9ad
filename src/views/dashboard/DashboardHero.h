#pragma once

#include <functional>

#include "views/components/CardFrame.h"

class QLabel;

namespace tarvel {

class DashboardPrefs;
class PowerStore;

// The big card: the level (or "AC") with the product pill, the package line and the time in
// words, each as the layout asks.
class DashboardHero : public CardFrame {
    Q_OBJECT

public:
    DashboardHero(const DashboardPrefs& prefs, QWidget* parent = nullptr);
    void refresh(const PowerStore& power);
    // Whether any of its three lines is switched on.
    static bool wanted(const DashboardPrefs& prefs);

private:
    QLabel* level_ = nullptr;
    QLabel* package_ = nullptr;
    QLabel* time_ = nullptr;
};

// The companion links, the update check, the privacy note and the version.
class DashboardFooter : public QWidget {
    Q_OBJECT

public:
    struct Links {
        QString tarvelProTitle, ombrelTitle;
        std::function<void()> openTarvelPro, openOmbrel, checkForUpdates;
    };
    DashboardFooter(const Links& links, QWidget* parent = nullptr);
};

}  // namespace tarvel

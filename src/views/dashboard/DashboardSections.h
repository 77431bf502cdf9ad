#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "drain/ProcEnergy.h"
#include "drain/WhyDrain.h"
#include "views/components/MonitorSection.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tarvel {

class ChargeLimitController;
class DashboardPrefs;
class MonitorRow;
class PowerDistributionView;
class PowerStore;

struct RowSpec {
    QString label;
    QString value;
    QColor color;
};

// A column of label/value rows that rewrites the values in place while the labels stay the
// same, and rebuilds only when they change.
class RowList : public QWidget {
    Q_OBJECT

public:
    explicit RowList(QWidget* parent = nullptr);
    void setRows(const std::vector<RowSpec>& rows);
    const std::vector<MonitorRow*>& rows() const { return rows_; }

private:
    QVBoxLayout* column_;
    std::vector<MonitorRow*> rows_;
};

// "Power": the sources, the draw, the charge management, the distribution, the battery flow
// and the health, each as the layout asks.
class DashboardPowerSection : public MonitorSection {
    Q_OBJECT

public:
    DashboardPowerSection(const DashboardPrefs& prefs, UserDefaults& settings,
                          QWidget* parent = nullptr);
    void refresh(const PowerStore& power, const ChargeLimitController& charge);
    static bool wanted(const DashboardPrefs& prefs);
    PowerDistributionView* distribution() const { return distribution_; }

private:
    const DashboardPrefs& prefs_;
    RowList* sourceRows_;
    PowerDistributionView* distribution_;
    RowList* flowRows_;
};

// "Energy Mode": the low-power flag and the way to the desktop's power settings.
class DashboardEnergySection : public MonitorSection {
    Q_OBJECT

public:
    DashboardEnergySection(std::function<bool()> openSettings, UserDefaults& settings,
                           QWidget* parent = nullptr);
    void setLowPower(bool on);

private:
    MonitorRow* row_;
};

// "What’s using power": the leading app, or every listed one.
class DashboardAppsSection : public MonitorSection {
    Q_OBJECT

public:
    DashboardAppsSection(bool fullList, UserDefaults& settings, QWidget* parent = nullptr);
    void setApps(const std::vector<ProcEnergy>& top);

private:
    bool fullList_;
    std::optional<std::vector<QStringList>> shown_;
    QWidget* list_ = nullptr;
};

// "Why did battery drop?": the last hour's answer and a way to ask again.
class DashboardWhySection : public MonitorSection {
    Q_OBJECT

public:
    DashboardWhySection(bool detail, UserDefaults& settings, QWidget* parent = nullptr);
    // None: not analysed yet.
    void setWhy(const std::optional<WhyDrain>& why);
    QPushButton* refreshButton() const { return refresh_; }

signals:
    void refreshRequested();

private:
    bool detail_;
    QLabel* text_;
    RowList* rows_;
    QLabel* notEnough_;
    QPushButton* refresh_;
};

}  // namespace tarvel

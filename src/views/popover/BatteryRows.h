#pragma once

#include <QString>
#include <QWidget>
#include <optional>

class QLabel;

namespace tarvel {

class ChargeLimitController;
class KivoRow;
class MenuPanelModel;

// The list style's battery rows: the level, the time or status, the state line (or the app
// mode while charging is managed) and the facts.
class BatteryRows : public QWidget {
    Q_OBJECT

public:
    BatteryRows(MenuPanelModel& panel, ChargeLimitController& charge, QWidget* parent = nullptr);

    // The time or status row as label and value; none without a battery.
    static std::optional<std::pair<QString, QString>> timeRow(const MenuPanelModel& panel,
                                                              const ChargeLimitController& charge);
    static QString stateLine(const MenuPanelModel& panel);

public slots:
    void refresh();

private:
    MenuPanelModel& panel_;
    ChargeLimitController& charge_;
    KivoRow* level_;
    KivoRow* time_;
    QLabel* state_;
    KivoRow* appMode_;
    QWidget* separator_;
    KivoRow* source_;
    KivoRow* cycles_;
    KivoRow* capacity_;
    KivoRow* lowPower_;
    KivoRow* draw_;
};

}  // namespace tarvel

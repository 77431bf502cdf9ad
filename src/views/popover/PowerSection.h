#pragma once

#include <QColor>
#include <QString>
#include <vector>

#include "views/components/MonitorSection.h"

namespace tarvel {

class MonitorRow;
class PowerStore;

// The "Power" card: level and package watts in the header, the watt history under it and the
// power store's readings as rows.
class PowerSection : public MonitorSection {
    Q_OBJECT

public:
    static constexpr const char* kStorageKey = "tarvelpro.section.power";

    struct Row {
        QString label;
        QString value;
        QColor color;
    };
    PowerSection(PowerStore& power, UserDefaults& settings, QWidget* parent = nullptr);

    static QString summaryFor(const PowerStore& power);
    static std::vector<Row> rowsFor(const PowerStore& power);

public slots:
    void refresh();

private:
    PowerStore& power_;
    QVBoxLayout* rows_;
    std::vector<MonitorRow*> shown_;
};

}  // namespace tarvel

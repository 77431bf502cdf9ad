#pragma once

#include <QWidget>

class QLabel;

namespace tarvel {

class KivoRow;
class WeatherStore;

// The popover's weather rows: the place (or "Local") with the summary, the conditions, the
// last error and "Refresh weather". Appearing starts the store again.
class PlusWeatherSection : public QWidget {
    Q_OBJECT

public:
    explicit PlusWeatherSection(WeatherStore& store, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void refresh();

private:
    WeatherStore& store_;
    KivoRow* main_;
    KivoRow* conditions_;
    QLabel* error_;
};

}  // namespace tarvel

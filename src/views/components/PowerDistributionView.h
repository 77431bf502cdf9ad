#pragma once

#include <QColor>
#include <QWidget>
#include <array>

class QLabel;

namespace tarvel {

// One domain's share of the package power: its label and watts over a filled track.
class PowerDistributionBar : public QWidget {
    Q_OBJECT

public:
    PowerDistributionBar(const QString& label, const QColor& tint, bool compact,
                         QWidget* parent = nullptr);
    void setWatts(double watts, double total);
    // watts ÷ total within 0…1; 0 when the total is not a positive number.
    static double fraction(double watts, double total);
    double fraction() const { return fraction_; }
    QString wattsText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString label_;
    QColor tint_;
    bool compact_;
    double watts_ = 0;
    double fraction_ = 0;
};

// "Power Distribution": one bar per domain (CPU, GPU, ANE, DRAM, other) against the package.
class PowerDistributionView : public QWidget {
    Q_OBJECT

public:
    explicit PowerDistributionView(bool compact, QWidget* parent = nullptr);
    // domains: SocPowerSample::domains; a bar shows only for a domain the machine measures.
    void setWatts(double cpu, double gpu, double ane, double dram, double other, double package,
                  unsigned domains = 0);
    const std::array<PowerDistributionBar*, 5>& bars() const { return bars_; }

private:
    std::array<PowerDistributionBar*, 5> bars_{};
};

}  // namespace tarvel

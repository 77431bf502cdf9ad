#include "views/components/PowerDistributionView.h"

#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "telemetry/SocPowerSample.h"
#include "views/TarvelTheme.h"
#include "views/components/TarvelText.h"

namespace tarvel {

PowerDistributionBar::PowerDistributionBar(const QString& label, const QColor& tint, bool compact,
                                           QWidget* parent)
    : QWidget(parent), label_(label), tint_(tint), compact_(compact) {
    setFixedHeight(compact ? 16 : 20);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFont(tarvelFont(compact ? TarvelType::micro : TarvelType::caption));
}

double PowerDistributionBar::fraction(double watts, double total) {
    if (!std::isfinite(watts) || !std::isfinite(total) || total <= 0) return 0;
    return std::clamp(watts / total, 0.0, 1.0);
}

void PowerDistributionBar::setWatts(double watts, double total) {
    watts_ = std::isfinite(watts) ? watts : 0;
    fraction_ = fraction(watts, total);
    update();
}

QString PowerDistributionBar::wattsText() const {
    return fixed(watts_, 1) + " W";
}

void PowerDistributionBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font());
    const int labelWidth = compact_ ? 40 : 48;
    const int valueWidth = compact_ ? 46 : 54;
    const QRect area = rect();
    p.setPen(TarvelColor::labelSecondary.color());
    p.drawText(QRect(area.left(), area.top(), labelWidth, area.height()),
               Qt::AlignLeft | Qt::AlignVCenter, label_);
    p.setPen(TarvelColor::labelPrimary.color());
    p.drawText(QRect(area.right() - valueWidth, area.top(), valueWidth, area.height()),
               Qt::AlignRight | Qt::AlignVCenter, wattsText());
    const double trackHeight = compact_ ? 5 : 6;
    const QRectF track(area.left() + labelWidth, area.center().y() - trackHeight / 2 + 0.5,
                       std::max(0, area.width() - labelWidth - valueWidth - 8), trackHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(whiteAt(0.08).color());
    p.drawRoundedRect(track, trackHeight / 2, trackHeight / 2);
    if (fraction_ > 0) {
        p.setBrush(tint_);
        QRectF filled = track;
        filled.setWidth(std::max(trackHeight, track.width() * fraction_));
        p.drawRoundedRect(filled, trackHeight / 2, trackHeight / 2);
    }
}

PowerDistributionView::PowerDistributionView(bool compact, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(compact ? 3 : 5);
    column->addWidget(plainLabel("Power Distribution",
                                 compact ? TarvelType::caption : TarvelType::title,
                                 TarvelColor::labelSecondary, this, QFont::DemiBold));
    const std::array<std::pair<const char*, Rgba>, 5> domains{{
        {"CPU", TarvelColor::accent},
        {"GPU", TarvelColor::nPurple},
        {"ANE", TarvelColor::nGreen},
        {"DRAM", TarvelColor::nOrange},
        {"Other", TarvelColor::labelSecondary},
    }};
    for (std::size_t i = 0; i < domains.size(); ++i) {
        bars_[i] =
            new PowerDistributionBar(domains[i].first, domains[i].second.color(), compact, this);
        column->addWidget(bars_[i]);
    }
}

void PowerDistributionView::setWatts(double cpu, double gpu, double ane, double dram, double other,
                                     double package, unsigned domains) {
    const std::array<double, 5> watts{cpu, gpu, ane, dram, other};
    for (std::size_t i = 0; i < bars_.size(); ++i) {
        bars_[i]->setWatts(watts[i], package);
        // A domain the machine has no counter for (the neural engine on a PC) shows no bar.
        bars_[i]->setVisible(hasDomain(domains, static_cast<ChannelKind>(i)));
    }
}

}  // namespace tarvel

#include "views/dashboard/DashboardHero.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/BuildInfo.h"
#include "telemetry/PowerStore.h"
#include "views/TarvelCopy.h"
#include "views/ViewServices.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"
#include "views/dashboard/DashboardTexts.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel {

namespace {

// "TARVEL" on an outlined capsule.
class ProductPill : public QLabel {
public:
    explicit ProductPill(QWidget* parent) : QLabel("TARVEL", parent) {
        setTextFormat(Qt::PlainText);
        setFont(tarvelFont(TarvelType::label, QFont::DemiBold));
        setTextColor(this, TarvelColor::labelSecondary.color());
        setContentsMargins(8, 3, 8, 3);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(TarvelColor::border.color(), 1));
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.drawRoundedRect(box, box.height() / 2, box.height() / 2);
        p.end();
        QLabel::paintEvent(event);
    }
};

}  // namespace

bool DashboardHero::wanted(const DashboardPrefs& prefs) {
    return prefs.largePercent || prefs.showPackageLine || prefs.showTimeRemaining;
}

DashboardHero::DashboardHero(const DashboardPrefs& prefs, QWidget* parent)
    : CardFrame(parent, prefs.cornerRadius) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(18, 14, 18, 14);
    column->setSpacing(4);
    if (prefs.largePercent) {
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        level_ = plainLabel("", prefs.densityInfo().heroSize, TarvelColor::labelPrimary, this,
                            QFont::DemiBold);
        row->addWidget(level_, 0, Qt::AlignVCenter);
        if (prefs.showTarvelPill) row->addWidget(new ProductPill(this), 0, Qt::AlignVCenter);
        row->addStretch(1);
        column->addLayout(row);
    }
    if (prefs.showPackageLine) {
        package_ = plainLabel("", TarvelType::caption, TarvelColor::labelSecondary, this);
        column->addWidget(package_);
    }
    if (prefs.showTimeRemaining) {
        time_ = plainLabel("", TarvelType::caption, TarvelColor::labelTertiary, this);
        column->addWidget(time_);
    }
}

void DashboardHero::refresh(const PowerStore& power) {
    if (level_)
        level_->setText(!power.batteryPresent() ? QString("AC")
                        : power.levelKnown()    ? QString::number(power.levelPercent())
                                                : QString::fromUtf8(kDash));
    if (package_)
        package_->setText("Package " + fixed(power.packageWatts(), 1) + " W · " +
                          qs(power.packageSource()));
    if (time_) time_->setText(qs(TarvelCopy::friendlyTime(power)));
}

DashboardFooter::DashboardFooter(const Links& links, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(4);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    const auto add = [&](const QString& title, const std::function<void()>& action) {
        QPushButton* button = tarvelButton(title, ButtonKind::minimal, this);
        connect(button, &QPushButton::clicked, this, [action] { runAction(action); });
        buttons->addWidget(button);
    };
    add(links.tarvelProTitle, links.openTarvelPro);
    add(links.ombrelTitle, links.openOmbrel);
    add("Updates", links.checkForUpdates);
    buttons->addStretch(1);
    column->addLayout(buttons);
    auto* notes = new QHBoxLayout;
    notes->addWidget(
        plainLabel(TarvelCopy::localOnly, TarvelType::label, TarvelColor::labelTertiary, this));
    notes->addStretch(1);
    notes->addWidget(plainLabel(DashboardTexts::displayVersion(TARVEL_VERSION), TarvelType::label,
                                TarvelColor::labelTertiary, this));
    column->addLayout(notes);
}

}  // namespace tarvel

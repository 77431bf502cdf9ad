#include "views/popover/WhySection.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "views/components/Controls.h"
#include "views/components/MonitorRow.h"
#include "views/components/TarvelText.h"

namespace tarvel {

WhySection::WhySection(UserDefaults& settings, QWidget* parent)
    : MonitorSection("Why drain?", TarvelColor::nPurple.color(), kStorageKey, "questionmark.circle",
                     settings, parent),
      rows_(new QVBoxLayout) {
    rows_->setSpacing(6);
    content()->addLayout(rows_);
    QPushButton* refresh = tarvelButton("Refresh analysis", ButtonKind::minimal, this);
    refresh->setStyleSheet(refresh->styleSheet() + "QPushButton{padding:2px 0;}");
    connect(refresh, &QPushButton::clicked, this, &WhySection::refreshRequested);
    content()->addWidget(refresh, 0, Qt::AlignLeft);
    showWhy(nullptr);
}

QString WhySection::summaryFor(const WhyDrain& why) {
    return why.dropPercent < 1 ? QString("steady") : QString::number(why.dropPercent) + "%";
}

void WhySection::showWhy(const WhyDrain* why) {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QColor primary = TarvelColor::labelPrimary.color();
    if (!why) {
        setSummary("…");
        rows_->addWidget(
            plainLabel("Analysing…", TarvelType::caption, TarvelColor::labelSecondary, this));
        return;
    }
    setSummary(summaryFor(*why));
    rows_->addWidget(new MonitorRow(
        "Drop", QString::number(why->dropPercent) + "% · " + qs(why->windowLabel), primary, this));
    QLabel* summary =
        plainLabel(qs(why->summary), TarvelType::micro, TarvelColor::labelSecondary, this);
    summary->setWordWrap(true);
    rows_->addWidget(summary);
    for (const WhyDrain::Culprit& culprit : why->culprits) {
        rows_->addWidget(new MonitorRow(qs(culprit.name), fixed(culprit.share * 100, 0) + "%",
                                        TarvelColor::nPurple.color(), this));
        if (culprit.note.empty()) continue;
        QLabel* note =
            plainLabel(qs(culprit.note), TarvelType::label, TarvelColor::labelTertiary, this);
        note->setWordWrap(true);
        rows_->addWidget(note);
    }
}

}  // namespace tarvel

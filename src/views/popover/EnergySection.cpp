#include "views/popover/EnergySection.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "drain/ProcessEnergyStore.h"
#include "views/components/TarvelText.h"

namespace tarvel {

namespace {

QWidget* processRow(const ProcEnergy& app, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* column = new QVBoxLayout(row);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    auto* top = new QHBoxLayout;
    QLabel* name = plainLabel(qs(app.name), TarvelType::caption, TarvelColor::labelPrimary, row);
    name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    top->addWidget(name, 1);
    top->addWidget(plainLabel(fixed(app.powerShare * 100, 0) + "%", TarvelType::caption,
                              TarvelColor::labelSecondary, row));
    column->addLayout(top);
    const std::string gpu = gpuUsageText(app);
    column->addWidget(plainLabel("~" + fixed(app.cpuPercent, 0) + "% of measured CPU · " +
                                     (gpu.empty() ? QString() : qs(gpu) + " · ") + "pid " +
                                     QString::number(app.id),
                                 TarvelType::label, TarvelColor::labelTertiary, row));
    QLabel* path = plainLabel(app.path ? qs(*app.path) : QString("path unknown"), TarvelType::label,
                              TarvelColor::labelTertiary, row);
    // Long paths keep their end, which names the program.
    path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    path->setToolTip(plainToolTip(path->text()));
    column->addWidget(path);
    return row;
}

}  // namespace

EnergySection::EnergySection(ProcessEnergyStore& energy, UserDefaults& settings, QWidget* parent)
    : MonitorSection("Energy", TarvelColor::nOrange.color(), kStorageKey, "cpu", settings, parent),
      energy_(energy),
      rows_(new QVBoxLayout) {
    rows_->setSpacing(8);
    content()->addLayout(rows_);
    QLabel* note = plainLabel(
        "Estimated watts = package/battery draw × each app’s CPU core share. Not PowerTOP’s "
        "own power estimate.",
        TarvelType::label, TarvelColor::labelTertiary, this);
    note->setWordWrap(true);
    content()->addWidget(note);
    connect(&energy_, &ProcessEnergyStore::topChanged, this, &EnergySection::refresh);
    refresh();
}

void EnergySection::refresh() {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const std::vector<ProcEnergy>& top = energy_.top();
    if (top.empty()) {
        rows_->addWidget(plainLabel("Sampling processes…", TarvelType::caption,
                                    TarvelColor::labelSecondary, this));
        return;
    }
    for (const ProcEnergy& app : top) rows_->addWidget(processRow(app, this));
}

}  // namespace tarvel

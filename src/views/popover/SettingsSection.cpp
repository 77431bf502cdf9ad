#include "views/popover/SettingsSection.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/UserDefaults.h"
#include "drain/DrainLog.h"
#include "shell/BuildInfo.h"
#include "shell/system/LaunchAtLoginHelper.h"
#include "views/ViewServices.h"
#include "views/components/Controls.h"
#include "views/components/MonitorRow.h"
#include "views/components/TarvelText.h"
#include "views/popover/HighEnergyApps.h"

namespace tarvel {

namespace {

QWidget* buttonPair(QPushButton* left, QPushButton* right, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(14);
    line->addWidget(left);
    line->addWidget(right);
    line->addStretch(1);
    return row;
}

// Where the program runs from; a long folder keeps its start and its end.
QWidget* installRow(const ViewServices& services, QWidget* parent) {
    const QString folder = services.installPathLabel ? services.installPathLabel()
                                                     : QCoreApplication::applicationDirPath();
    auto* row = new QWidget(parent);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(plainLabel("Install", TarvelType::caption, TarvelColor::labelSecondary, row));
    auto* path = new ElidedNameLabel(folder, row, Qt::ElideMiddle);
    path->setFont(tarvelFont(TarvelType::caption));
    setTextColor(path, TarvelColor::labelSecondary.color());
    path->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    path->setToolTip(plainToolTip(folder));
    line->addWidget(path, 1);
    return row;
}

}  // namespace

SettingsSection::SettingsSection(ViewServices& services, QWidget* parent)
    : MonitorSection("Settings", TarvelColor::labelSecondary.color(), kStorageKey, "gearshape",
                     services.settings, parent),
      services_(services) {
    QVBoxLayout* column = content();
    const QColor primary = TarvelColor::labelPrimary.color();
    column->addWidget(new MonitorRow("Version", TARVEL_VERSION, primary, this));
    column->addWidget(new MonitorRow("Channel", TARVEL_CHANNEL, primary, this));
    column->addWidget(installRow(services, this));

    auto* login = new LabeledSwitch("Launch at Login", "Start Tarvel when you log in.", this);
    LaunchAtLoginHelper* helper = services.loginItem;
    UserDefaults& settings = services.settings;
    const auto showLogin = [login, helper, &settings] {
        login->setChecked(helper ? helper->isEnabled()
                                 : settings.boolValue(kLaunchAtLogin).value_or(false));
    };
    showLogin();
    connect(&settings, &UserDefaults::changed, login, [showLogin](const std::string& key) {
        if (key == kLaunchAtLogin) showLogin();
    });
    login->toggle()->setEnabled(helper != nullptr);
    connect(login, &LabeledSwitch::flipped, this, [helper](bool on) {
        if (helper) helper->setEnabled(on);
    });
    column->addWidget(login);

    ViewServices::Actions& actions = services.actions;
    QPushButton* updates = tarvelButton("Check for Updates", ButtonKind::minimal, this);
    QPushButton* website = tarvelButton("Open website", ButtonKind::minimal, this);
    connect(updates, &QPushButton::clicked, this,
            [&actions] { runAction(actions.checkForUpdates); });
    connect(website, &QPushButton::clicked, this, [&actions] { runAction(actions.openWebsite); });
    column->addWidget(buttonPair(updates, website, this));

    DrainLog& log = services.drainLog;
    retentionLabel_ = plainLabel("", TarvelType::caption, TarvelColor::labelSecondary, this);
    retention_ = new CommitSlider(DrainLog::kMinRetentionDays, DrainLog::kMaxRetentionDays, this);
    retention_->setAccessibleName("History retention");
    // Pruning deletes records for good: only the value the user lets go of is applied.
    connect(retention_, &CommitSlider::moved, this,
            [this](int days) { retentionLabel_->setText(retentionText(days)); });
    connect(retention_, &CommitSlider::committed, this,
            [&log](int days) { log.setRetention(days); });
    connect(&log, &DrainLog::retentionDaysChanged, this, &SettingsSection::showRetention);
    column->addWidget(retentionLabel_);
    column->addWidget(retention_);
    showRetention();

    QPushButton* clear = tarvelButton("Clear local history", ButtonKind::minimal, this);
    QPushButton* reveal = tarvelButton("Reveal data folder", ButtonKind::minimal, this);
    connect(clear, &QPushButton::clicked, this, [&log] { log.clearAll(); });
    connect(reveal, &QPushButton::clicked, this,
            [&actions] { runAction(actions.revealDataFolder); });
    // Links line up with the card's text.
    for (QPushButton* link : {updates, website, clear, reveal})
        link->setStyleSheet(link->styleSheet() + "QPushButton{padding:2px 0;}");
    column->addWidget(clear, 0, Qt::AlignLeft);
    column->addWidget(reveal, 0, Qt::AlignLeft);

    column->addWidget(plainLabel("Local only — no accounts, no telemetry.", TarvelType::label,
                                 TarvelColor::labelTertiary, this));
}

QString SettingsSection::retentionText(int days) {
    return "History retention: " + QString::number(days) + " days";
}

void SettingsSection::showRetention() {
    if (retention_->isSliderDown()) return;
    const int days = services_.drainLog.retentionDays();
    retention_->showValue(days);
    retentionLabel_->setText(retentionText(days));
}

}  // namespace tarvel

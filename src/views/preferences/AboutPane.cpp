#include "views/preferences/AboutPane.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/BuildInfo.h"
#include "views/ViewServices.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"

namespace tarvel {

AboutPane::AboutPane(ViewServices& services, QWidget* parent)
    : PreferencesPane("About", "Local only · no telemetry", parent) {
    QVBoxLayout* card = addCard();
    auto* version = new QHBoxLayout;
    version->addWidget(preferencesCaption("Version", this));
    version->addStretch(1);
    version->addWidget(plainLabel(QString::fromUtf8(TARVEL_VERSION), TarvelType::body,
                                  TarvelColor::labelSecondary, this));
    card->addLayout(version);
    card->addWidget(new Hairline(this));
    QLabel* about = plainLabel(
        "Local-only battery monitor. Charge limiting is experimental hardware control when "
        "available. No account, no product telemetry.",
        TarvelType::body, TarvelColor::labelSecondary, this);
    about->setWordWrap(true);
    card->addWidget(about);

    QVBoxLayout* links = addCard();
    const ViewServices::Actions& actions = services.actions;
    auto* first = new QHBoxLayout;
    first->setSpacing(8);
    QPushButton* pro = tarvelButton(qs(actions.tarvelProTitle), ButtonKind::prominent, this);
    connect(pro, &QPushButton::clicked, this, [&actions] { runAction(actions.openTarvelPro); });
    QPushButton* updates = tarvelButton("Check for Updates", ButtonKind::plain, this);
    connect(updates, &QPushButton::clicked, this,
            [&actions] { runAction(actions.checkForUpdates); });
    QPushButton* website = tarvelButton("Website", ButtonKind::plain, this);
    connect(website, &QPushButton::clicked, this, [&actions] { runAction(actions.openWebsite); });
    first->addWidget(pro);
    first->addWidget(updates);
    first->addWidget(website);
    first->addStretch(1);
    links->addLayout(first);
    QPushButton* battery = tarvelButton("System Battery Settings…", ButtonKind::plain, this);
    connect(battery, &QPushButton::clicked, this, [&actions] {
        if (actions.openBatterySettings) actions.openBatterySettings();
    });
    auto* second = new QHBoxLayout;
    second->addWidget(battery);
    second->addStretch(1);
    links->addLayout(second);
}

}  // namespace tarvel

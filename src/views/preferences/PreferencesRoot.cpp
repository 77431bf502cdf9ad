#include "views/preferences/PreferencesRoot.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "charge/ChargeLimitController.h"
#include "views/TarvelTheme.h"
#include "views/ViewServices.h"
#include "views/preferences/AboutPane.h"
#include "views/preferences/AlertsPane.h"
#include "views/preferences/ChargingPane.h"
#include "views/preferences/LayoutPane.h"
#include "views/preferences/MenuBarPane.h"
#include "views/preferences/PlaceholderPanes.h"
#include "views/preferences/PreferencesSidebar.h"

namespace tarvel {

namespace {

QString scrollBarStyle() {
    return QString(
        "QScrollBar:vertical{background:transparent;width:8px;margin:2px;}"
        "QScrollBar::handle:vertical{background:rgba(255,255,255,46);border-radius:3px;"
        "min-height:24px;}"
        "QScrollBar::add-line,QScrollBar::sub-line{height:0;}"
        "QScrollBar::add-page,QScrollBar::sub-page{background:transparent;}");
}

}  // namespace

PreferencesRoot::PreferencesRoot(ViewServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      sidebar_(new PreferencesSidebar(this)),
      scroll_(new QScrollArea(this)),
      menuBar_(new MenuBarPane(services)),
      alerts_(new AlertsPane(services)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(sidebar_);
    row->addWidget(scroll_, 1);

    panes_ = {menuBar_,
              new LayoutPane(services.prefs),
              new ChargingPane(services.charge),
              alerts_,
              services.assistant.weatherPane ? services.assistant.weatherPane() : new WeatherPane,
              services.assistant.aiPane ? services.assistant.aiPane() : new ChatPane,
              new AboutPane(services)};
    // Every pane lives in one column; only the selected one is shown, so the scroll range is
    // that pane's height.
    auto* detail = new QWidget;
    auto* column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    for (PreferencesPane* pane : panes_) {
        pane->setParent(detail);
        column->addWidget(pane);
    }
    scroll_->setWidget(detail);
    // The scroll area fills its widget with the platform's window colour; ours shows through.
    detail->setAutoFillBackground(false);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->verticalScrollBar()->setStyleSheet(scrollBarStyle());
    scroll_->viewport()->setAutoFillBackground(false);

    connect(sidebar_, &PreferencesSidebar::chosen, this, &PreferencesRoot::select);
    for (PreferencesPane* pane : panes_) pane->setVisible(pane == panes_[0]);
    sidebar_->select(section_);
}

void PreferencesRoot::select(PreferencesSection section) {
    sidebar_->select(section);
    if (section == section_) return;
    pane(section_)->hide();
    section_ = section;
    pane(section_)->show();
    scroll_->verticalScrollBar()->setValue(0);
    emit sectionChanged(section_);
}

PreferencesPane* PreferencesRoot::pane(PreferencesSection section) const {
    return panes_.at(static_cast<std::size_t>(section));
}

QSize PreferencesRoot::sizeHint() const {
    return {780, 560};
}

void PreferencesRoot::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window may have been closed for a while: show what the owners hold now.
    menuBar_->reload();
    alerts_->reload();
    services_.charge.start();
}

void PreferencesRoot::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), TarvelColor::bg.color());
}

}  // namespace tarvel

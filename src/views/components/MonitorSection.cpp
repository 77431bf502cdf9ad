#include "views/components/MonitorSection.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "base/UserDefaults.h"
#include "views/components/Sparkline.h"
#include "views/components/TarvelText.h"
#include "views/symbols/TarvelSymbol.h"

namespace tarvel {

MonitorSection::MonitorSection(const QString& title, const QColor& accent, std::string storageKey,
                               const QString& icon, UserDefaults& settings, QWidget* parent)
    : CardFrame(parent),
      settings_(settings),
      storageKey_(std::move(storageKey)),
      header_(new QWidget(this)),
      icon_(new SymbolView(icon, accent, 12, header_)),
      title_(plainLabel(title, TarvelType::title, TarvelColor::labelPrimary, header_,
                        QFont::DemiBold)),
      summary_(plainLabel("", TarvelType::caption, TarvelColor::labelSecondary, header_)),
      chevron_(new SymbolView("chevron.down", TarvelColor::labelTertiary.color(), 10, header_)),
      sparkline_(new Sparkline(accent, this)),
      body_(new QWidget(this)),
      contentLayout_(new QVBoxLayout(body_)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(8);

    auto* headerRow = new QHBoxLayout(header_);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(6);
    headerRow->addWidget(icon_);
    headerRow->addWidget(title_);
    headerRow->addStretch(1);
    summary_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    headerRow->addWidget(summary_);
    headerRow->addWidget(chevron_);
    header_->setCursor(Qt::PointingHandCursor);
    header_->installEventFilter(this);
    header_->setAccessibleName(title);
    column->addWidget(header_);

    sparkline_->hide();
    column->addWidget(sparkline_);

    contentLayout_->setContentsMargins(0, 0, 0, 0);
    contentLayout_->setSpacing(6);
    column->addWidget(body_);
    showExpanded();
    connect(&settings_, &UserDefaults::changed, this, [this](const std::string& key) {
        if (key == storageKey_) showExpanded();
    });
}

void MonitorSection::setSummary(const QString& summary) {
    summary_->setText(summary);
}

void MonitorSection::setSparkline(std::optional<std::vector<double>> values) {
    sparkline_->setVisible(values.has_value());
    if (values) sparkline_->setValues(std::move(*values));
}

void MonitorSection::setIcon(const QString& icon) {
    icon_->setSymbol(icon);
}

void MonitorSection::clearContent() {
    while (QLayoutItem* item = contentLayout_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        } else if (QLayout* layout = item->layout()) {
            // Nested rows: their widgets belong to the body and go with their layout.
            while (QLayoutItem* inner = layout->takeAt(0)) {
                if (QWidget* widget = inner->widget()) {
                    widget->hide();
                    widget->deleteLater();
                }
                delete inner;
            }
        }
        delete item;
    }
}

bool MonitorSection::isExpanded() const {
    // A section that was never toggled starts open.
    return settings_.boolValue(storageKey_).value_or(true);
}

void MonitorSection::setExpanded(bool expanded) {
    if (expanded == isExpanded() && settings_.contains(storageKey_)) return;
    settings_.setBool(storageKey_, expanded);
    showExpanded();
    emit expandedChanged(expanded);
}

QString MonitorSection::title() const {
    return title_->text();
}

QString MonitorSection::summary() const {
    return summary_->text();
}

bool MonitorSection::hasSparkline() const {
    return !sparkline_->isHidden();
}

void MonitorSection::showExpanded() {
    const bool expanded = isExpanded();
    chevron_->setSymbol(expanded ? "chevron.down" : "chevron.right");
    body_->setVisible(expanded);
}

bool MonitorSection::eventFilter(QObject* watched, QEvent* event) {
    if (watched == header_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            header_->rect().contains(mouse->position().toPoint())) {
            setExpanded(!isExpanded());
            return true;
        }
    }
    return CardFrame::eventFilter(watched, event);
}

}  // namespace tarvel

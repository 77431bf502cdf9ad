#include "views/preferences/PreferencesSidebar.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "shell/BuildInfo.h"
#include "views/TarvelTheme.h"
#include "views/components/TarvelText.h"
#include "views/symbols/TarvelSymbol.h"

namespace tarvel {

namespace {
constexpr int kSidebarWidth = 196;
constexpr int kRowHeight = 30;
constexpr int kSymbolSize = 16;
}  // namespace

PreferencesSidebarRow::PreferencesSidebarRow(PreferencesSection section, QWidget* parent)
    : QAbstractButton(parent), section_(section) {
    setText(QString::fromUtf8(info(section).title));
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab (and chosen with Space), so a click leaves no focus ring behind.
    setFocusPolicy(Qt::TabFocus);
    setFont(tarvelFont(TarvelType::body));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(text());
}

QSize PreferencesSidebarRow::sizeHint() const {
    return {kSidebarWidth - 20, kRowHeight};
}

void PreferencesSidebarRow::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PreferencesSidebarRow::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void PreferencesSidebarRow::focusInEvent(QFocusEvent* event) {
    tabbedTo_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void PreferencesSidebarRow::focusOutEvent(QFocusEvent* event) {
    tabbedTo_ = false;
    QAbstractButton::focusOutEvent(event);
}

void PreferencesSidebarRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool selected = isChecked();
    if (selected || hovered_) {
        p.setPen(Qt::NoPen);
        p.setBrush(selected ? whiteAt(0.10).color() : whiteAt(0.05).color());
        p.drawRoundedRect(QRectF(rect()), 7, 7);
    }
    if (hasFocus() && tabbedTo_) {
        p.setPen(QPen(TarvelColor::accent.color(), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    }
    const QColor symbolColor =
        selected ? TarvelColor::accent.color() : TarvelColor::labelSecondary.color();
    const QRectF box(10, (height() - kSymbolSize) / 2.0, kSymbolSize, kSymbolSize);
    TarvelSymbol::paint(p, box, QString::fromUtf8(info(section_).symbol), symbolColor);
    QFont font = tarvelFont(TarvelType::body, selected ? QFont::DemiBold : QFont::Normal);
    p.setFont(font);
    p.setPen(selected ? TarvelColor::labelPrimary.color() : whiteAt(0.75).color());
    const QRect textBox = rect().adjusted(10 + kSymbolSize + 10, 0, -8, 0);
    p.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text());
}

PreferencesSidebar::PreferencesSidebar(QWidget* parent) : QWidget(parent) {
    setFixedWidth(kSidebarWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 20, 10, 14);
    column->setSpacing(2);
    QLabel* header = plainLabel("Customize", TarvelType::micro, TarvelColor::labelTertiary, this,
                                QFont::DemiBold);
    header->setContentsMargins(10, 0, 0, 6);
    column->addWidget(header);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (const PreferencesSectionInfo& entry : kPreferencesSections) {
        auto* row = new PreferencesSidebarRow(entry.section, this);
        group->addButton(row);
        connect(row, &QAbstractButton::clicked, this, [this, row] { emit chosen(row->section()); });
        rows_.push_back(row);
        column->addWidget(row);
    }
    column->addStretch(1);
    QLabel* version = plainLabel("Tarvel " + QString::fromUtf8(TARVEL_VERSION), TarvelType::micro,
                                 TarvelColor::labelTertiary, this);
    version->setContentsMargins(10, 0, 0, 0);
    column->addWidget(version);
}

void PreferencesSidebar::select(PreferencesSection section) {
    row(section)->setChecked(true);
}

PreferencesSidebarRow* PreferencesSidebar::row(PreferencesSection section) const {
    return rows_.at(static_cast<std::size_t>(section));
}

void PreferencesSidebar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), whiteAt(0.03).color());
    p.fillRect(QRect(width() - 1, 0, 1, height()), TarvelColor::divider.color());
}

}  // namespace tarvel

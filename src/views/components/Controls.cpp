#include "views/components/Controls.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "views/TarvelTheme.h"
#include "views/components/TarvelText.h"

namespace tarvel {

namespace {

QString rgba(const QColor& c) {
    return QString("rgba(%1,%2,%3,%4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(QString::number(c.alphaF(), 'f', 2));
}

QString rgba(const Rgba& c) {
    return rgba(c.color());
}

}  // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

QSize ToggleSwitch::sizeHint() const {
    return {34, 20};
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double r = track.height() / 2;
    QColor fill = isChecked() ? TarvelColor::nGreen.color() : whiteAt(0.16).color();
    if (!isEnabled()) fill.setAlphaF(fill.alphaF() * 0.4f);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(track, r, r);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    p.setBrush(isEnabled() ? QColor(Qt::white) : QColor(150, 150, 150));
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(TarvelColor::accent.color(), 1));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), r + 1, r + 1);
    }
}

LabeledSwitch::LabeledSwitch(const QString& title, const QString& note, QWidget* parent)
    : QWidget(parent), title_(title), switch_(new ToggleSwitch(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(plainLabel(title, TarvelType::body, TarvelColor::labelPrimary, this));
    if (!note.isEmpty()) {
        QLabel* noteLabel = plainLabel(note, TarvelType::micro, TarvelColor::labelSecondary, this);
        noteLabel->setWordWrap(true);
        texts->addWidget(noteLabel);
    }
    row->addLayout(texts, 1);
    row->addWidget(switch_, 0, Qt::AlignVCenter);
    switch_->setAccessibleName(title);
    connect(switch_, &QAbstractButton::clicked, this, &LabeledSwitch::flipped);
}

void LabeledSwitch::setChecked(bool on) {
    switch_->setChecked(on);
}

SegmentedPicker::SegmentedPicker(const QStringList& titles, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const QString base =
        QString("QPushButton{background:%1;color:%2;border:1px solid %3;padding:4px 10px;"
                "font-size:%4px;}"
                "QPushButton:checked{background:%5;color:%6;}"
                "QPushButton:hover:!checked{background:%7;}")
            .arg(rgba(TarvelColor::card), rgba(TarvelColor::labelSecondary),
                 rgba(TarvelColor::border))
            .arg(TarvelType::caption)
            .arg(rgba(TarvelColor::cardElevated), rgba(TarvelColor::labelPrimary),
                 rgba(whiteAt(0.06)));
    for (int i = 0; i < titles.size(); ++i) {
        auto* button = new QPushButton(titles[i], this);
        button->setCheckable(true);
        button->setCursor(Qt::PointingHandCursor);
        const bool first = i == 0, last = i == titles.size() - 1;
        button->setStyleSheet(
            base + QString("QPushButton{border-top-left-radius:%1px;border-bottom-left-radius:%1px;"
                           "border-top-right-radius:%2px;border-bottom-right-radius:%2px;}")
                       .arg(first ? 6 : 0)
                       .arg(last ? 6 : 0));
        group_->addButton(button, i);
        segments_.push_back(button);
        row->addWidget(button);
    }
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, &SegmentedPicker::chosen);
}

int SegmentedPicker::currentIndex() const {
    return group_->checkedId();
}

void SegmentedPicker::setCurrentIndex(int index) {
    if (index >= 0 && index < count()) segments_[std::size_t(index)]->setChecked(true);
}

QAbstractButton* SegmentedPicker::segment(int index) const {
    return segments_.at(std::size_t(index));
}

CommitSlider::CommitSlider(int minimum, int maximum, QWidget* parent)
    : QSlider(Qt::Horizontal, parent) {
    setRange(minimum, maximum);
    setSingleStep(1);
    setPageStep(1);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QString("QSlider::groove:horizontal{height:4px;background:%1;border-radius:2px;}"
                          "QSlider::sub-page:horizontal{background:%2;border-radius:2px;}"
                          "QSlider::handle:horizontal{background:white;width:14px;height:14px;"
                          "margin:-5px 0;border-radius:7px;}"
                          "QSlider::sub-page:horizontal:disabled{background:%1;}"
                          "QSlider::handle:horizontal:disabled{background:%3;}")
                      .arg(rgba(whiteAt(0.16)), rgba(TarvelColor::accent),
                           rgba(TarvelColor::labelTertiary)));
    connect(this, &QSlider::valueChanged, this, [this](int value) {
        emit moved(value);
        // While the thumb is held, values passed on the way are only shown.
        if (!isSliderDown()) emit committed(value);
    });
    connect(this, &QSlider::sliderReleased, this, [this] { emit committed(value()); });
}

void CommitSlider::showValue(int value) {
    const QSignalBlocker quiet(this);
    setValue(value);
}

QPushButton* tarvelButton(const QString& title, ButtonKind kind, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setCursor(Qt::PointingHandCursor);
    QString style;
    switch (kind) {
        case ButtonKind::prominent:
            style = QString("QPushButton{background:%1;color:black;border:none;border-radius:6px;"
                            "padding:5px 12px;font-size:%2px;font-weight:600;}"
                            "QPushButton:pressed{background:%3;}")
                        .arg(rgba(TarvelColor::accent))
                        .arg(TarvelType::body)
                        .arg(rgba(QColor::fromRgbF(0.28f, 0.62f, 0.85f)));
            break;
        case ButtonKind::plain:
            style = QString("QPushButton{background:%1;color:%2;border:1px solid %3;"
                            "border-radius:6px;padding:5px 12px;font-size:%4px;}"
                            "QPushButton:hover{background:%5;}")
                        .arg(rgba(TarvelColor::card), rgba(TarvelColor::labelPrimary),
                             rgba(TarvelColor::border))
                        .arg(TarvelType::body)
                        .arg(rgba(TarvelColor::cardElevated));
            break;
        case ButtonKind::minimal:
            style = QString("QPushButton{background:transparent;color:%1;border:none;"
                            "padding:2px 4px;font-size:%2px;}"
                            "QPushButton:hover{color:%3;}")
                        .arg(rgba(TarvelColor::accent))
                        .arg(TarvelType::caption)
                        .arg(rgba(TarvelColor::labelPrimary));
            break;
    }
    // Disabled buttons fade, whatever their kind.
    style += QString("QPushButton:disabled{color:%1;background:%2;}")
                 .arg(rgba(TarvelColor::labelTertiary), rgba(TarvelColor::card));
    if (kind == ButtonKind::minimal)
        style += "QPushButton:disabled{background:transparent;}";
    button->setStyleSheet(style);
    return button;
}

}  // namespace tarvel

#include "views/TarvelOnboardingSheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "views/TarvelOnboarding.h"
#include "views/TarvelTheme.h"

namespace tarvel {

namespace {

QFont pixelFont(int pixels, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QLabel* makeLabel(const QString& text, int pixels, Rgba colour, QWidget* parent,
                  QFont::Weight weight = QFont::Normal) {
    auto* label = new QLabel(text, parent);
    label->setFont(pixelFont(pixels, weight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour.color());
    label->setPalette(palette);
    return label;
}

// A filled circle in the primary text colour holding the tip's number in the background colour.
class TipNumber final : public QWidget {
public:
    TipNumber(int number, QWidget* parent) : QWidget(parent), number_(number) {
        setFixedSize(TarvelOnboardingSheet::kTipCircle, TarvelOnboardingSheet::kTipCircle);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(TarvelColor::labelPrimary.color());
        p.drawEllipse(rect());
        p.setPen(TarvelColor::bg.color());
        p.setFont(pixelFont(TarvelType::caption, QFont::Bold));
        p.drawText(rect(), Qt::AlignCenter, QString::number(number_));
    }

private:
    int number_;
};

struct Tip {
    const char* title;
    const char* detail;
};

constexpr Tip kTips[] = {
    {"Click the battery icon",
     "Opens a quick battery menu — like the system one, with extra detail."},
    {"Double-click for the full window",
     "A larger Ombrel-style view with charts and why-drain analysis."},
    {"“Why did battery drop?”",
     "Tarvel learns on-device. Leave it running a bit for better answers."},
};

}  // namespace

TarvelOnboardingSheet::TarvelOnboardingSheet(UserDefaults& defaults, QWidget* parent)
    : QWidget(parent), defaults_(defaults) {
    // The card paints its own rounded background; the corners outside it stay see-through.
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(kWidth);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(TarvelSpace::section);

    column->addWidget(makeLabel(QStringLiteral("Welcome to Tarvel"), kTitleSize,
                                TarvelColor::labelPrimary, this, QFont::DemiBold));

    int number = 1;
    for (const Tip& tip : kTips) {
        auto* row = new QHBoxLayout;
        row->setSpacing(12);
        row->addWidget(new TipNumber(number++, this), 0, Qt::AlignTop);
        auto* text = new QVBoxLayout;
        text->setSpacing(3);
        text->addWidget(makeLabel(QString::fromUtf8(tip.title), TarvelType::body,
                                  TarvelColor::labelPrimary, this, QFont::DemiBold));
        QLabel* detail = makeLabel(QString::fromUtf8(tip.detail), TarvelType::caption,
                                   TarvelColor::labelSecondary, this);
        detail->setWordWrap(true);
        text->addWidget(detail);
        row->addLayout(text, 1);
        column->addLayout(row);
    }

    gotIt_ = new QPushButton(QStringLiteral("Got it"), this);
    gotIt_->setFont(pixelFont(TarvelType::body, QFont::DemiBold));
    gotIt_->setCursor(Qt::PointingHandCursor);
    gotIt_->setMinimumHeight(32);
    const QColor fill = TarvelColor::cardElevated.color();
    const QColor text = TarvelColor::labelPrimary.color();
    const QColor stroke = TarvelColor::border.color();
    gotIt_->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3;"
                       " border-radius: 8px; padding: 6px; }"
                       "QPushButton:pressed { background: %4; }")
            .arg(fill.name(QColor::HexRgb), text.name(QColor::HexArgb),
                 stroke.name(QColor::HexArgb), TarvelColor::card.color().name(QColor::HexRgb)));
    connect(gotIt_, &QPushButton::clicked, this, &TarvelOnboardingSheet::dismiss);
    column->addWidget(gotIt_);
}

void TarvelOnboardingSheet::dismiss() {
    TarvelOnboarding::markSeen(defaults_);
    close();
    emit dismissed();
}

void TarvelOnboardingSheet::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A 0.5 px hairline centred on the card's edge, inset so none of it is clipped.
    const QRectF card = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    QPen pen(TarvelColor::border.color());
    pen.setWidthF(0.5);
    p.setPen(pen);
    p.setBrush(TarvelColor::card.color());
    p.drawRoundedRect(card, kCornerRadius, kCornerRadius);
}

}  // namespace tarvel

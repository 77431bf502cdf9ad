#include "views/preferences/PreferencesPane.h"

#include <QLabel>
#include <QVBoxLayout>

#include "views/TarvelTheme.h"
#include "views/components/CardFrame.h"
#include "views/components/TarvelText.h"

namespace tarvel {

namespace {
constexpr int kTitlePixels = 22;
}

PreferencesPane::PreferencesPane(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent), title_(title), column_(new QVBoxLayout(this)) {
    column_->setContentsMargins(28, 24, 28, 24);
    column_->setSpacing(TarvelSpace::section);
    auto* heading = new QVBoxLayout;
    heading->setSpacing(4);
    heading->addWidget(
        plainLabel(title, kTitlePixels, TarvelColor::labelPrimary, this, QFont::DemiBold));
    QLabel* sub = plainLabel(subtitle, TarvelType::body, TarvelColor::labelSecondary, this);
    sub->setWordWrap(true);
    heading->addWidget(sub);
    column_->addLayout(heading);
    column_->addSpacing(4);
    column_->addStretch(1);
}

QVBoxLayout* PreferencesPane::addCard() {
    auto* card = new CardFrame(this);
    auto* inside = new QVBoxLayout(card);
    inside->setContentsMargins(16, 14, 16, 14);
    inside->setSpacing(10);
    // Before the closing stretch, so cards stack from the top.
    column_->insertWidget(column_->count() - 1, card);
    return inside;
}

QLabel* PreferencesPane::addFootnote(const QString& text) {
    QLabel* note = preferencesNote(text, this);
    column_->insertWidget(column_->count() - 1, note);
    return note;
}

QLabel* preferencesNote(const QString& text, QWidget* parent) {
    QLabel* note = plainLabel(text, TarvelType::micro, TarvelColor::labelSecondary, parent);
    note->setWordWrap(true);
    return note;
}

QLabel* preferencesCaption(const QString& text, QWidget* parent) {
    return plainLabel(text, TarvelType::body, TarvelColor::labelPrimary, parent);
}

}  // namespace tarvel

#pragma once

#include <QLabel>
#include <QWidget>

class QVBoxLayout;

namespace tarvel {

// One pane of the preferences window: a large title, a one-line subtitle, then cards of
// controls.
class PreferencesPane : public QWidget {
    Q_OBJECT

public:
    PreferencesPane(const QString& title, const QString& subtitle, QWidget* parent = nullptr);
    QString title() const { return title_; }

protected:
    // A new card at the end of the pane; the controls go into its layout.
    QVBoxLayout* addCard();
    // A line of text under the pane's cards, outside any card.
    QLabel* addFootnote(const QString& text);

private:
    QString title_;
    QVBoxLayout* column_;
};

// A small wrapped note in the secondary colour.
QLabel* preferencesNote(const QString& text, QWidget* parent);
// A caption over a control ("Icon shows", "Presets", …).
QLabel* preferencesCaption(const QString& text, QWidget* parent);

}  // namespace tarvel

#pragma once

#include <QAbstractButton>
#include <QWidget>

class QLabel;

namespace tarvel {

// The rows of the list-style popover, which reads like the desktop's own battery menu.

// A small heading in the secondary colour.
QLabel* kivoSectionTitle(const QString& title, QWidget* parent = nullptr);

// A label and a value on one line; the main row's value can be emphasised.
class KivoRow : public QWidget {
    Q_OBJECT

public:
    enum class Kind { main, detail };
    KivoRow(Kind kind, const QString& label, const QString& value, bool emphasizeValue = false,
            QWidget* parent = nullptr);
    void setLabel(const QString& label);
    void setValue(const QString& value);
    QString label() const;
    QString value() const;

private:
    QLabel* label_;
    QLabel* value_;
};

// A full-width menu entry: its title, an optional trailing text and chevron, a hover highlight.
class KivoMenuAction : public QAbstractButton {
    Q_OBJECT

public:
    KivoMenuAction(const QString& title, const QString& trailing = {}, bool showChevron = false,
                   QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString trailing_;
    bool showChevron_;
    bool hovered_ = false;
};

}  // namespace tarvel

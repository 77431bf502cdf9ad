#pragma once

#include <QAbstractButton>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <vector>

class QButtonGroup;

namespace tarvel {

// An on/off switch drawn in the application's colours (checkable; `toggled` on change).
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A switch with its title (and an optional note under it) on one row.
class LabeledSwitch : public QWidget {
    Q_OBJECT

public:
    LabeledSwitch(const QString& title, const QString& note = {}, QWidget* parent = nullptr);
    ToggleSwitch* toggle() const { return switch_; }
    QString title() const { return title_; }
    void setChecked(bool on);

signals:
    // The user flipped it (not set from code).
    void flipped(bool on);

private:
    QString title_;
    ToggleSwitch* switch_;
};

// A row of mutually exclusive segments; `chosen` when the user picks one.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedPicker(const QStringList& titles, QWidget* parent = nullptr);
    int currentIndex() const;
    void setCurrentIndex(int index);
    QAbstractButton* segment(int index) const;
    int count() const { return int(segments_.size()); }

signals:
    void chosen(int index);

private:
    std::vector<QPushButton*> segments_;
    QButtonGroup* group_;
};

// A slider that commits only once the user lets go (or on a key or track click), so dragging
// across values never acts on the ones passed on the way. `moved` follows the thumb for labels.
class CommitSlider : public QSlider {
    Q_OBJECT

public:
    CommitSlider(int minimum, int maximum, QWidget* parent = nullptr);
    // Sets the shown value without committing it.
    void showValue(int value);

signals:
    void committed(int value);
    void moved(int value);
};

enum class ButtonKind { plain, prominent, minimal };
// A push button in the application's look.
QPushButton* tarvelButton(const QString& title, ButtonKind kind = ButtonKind::plain,
                          QWidget* parent = nullptr);

}  // namespace tarvel

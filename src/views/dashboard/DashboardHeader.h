#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

#include "views/components/CardFrame.h"

class QLabel;

namespace tarvel {

class PowerStore;

// A capsule of small text on a faint fill of the text's own colour.
class StatusChip : public QWidget {
    Q_OBJECT

public:
    explicit StatusChip(QWidget* parent = nullptr);
    void setChip(const QString& text, const QColor& color);
    QString text() const { return text_; }
    QColor color() const { return color_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
};

// The small square button that opens the layout panel; raised while the panel is open.
class LayoutButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit LayoutButton(QWidget* parent = nullptr);
    void setRaised(bool raised);
    bool isRaised() const { return raised_; }
    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool raised_ = false;
};

// The strip that imitates the tray item: the battery symbol and the package watts.
class FauxMenuBar : public CardFrame {
    Q_OBJECT

public:
    explicit FauxMenuBar(QWidget* parent = nullptr);
    void refresh(const PowerStore& power);
    QString wattsText() const;
    const std::string& symbol() const { return symbol_; }

private:
    QLabel* symbolView_;
    QLabel* watts_;
    std::string symbol_;
};

// The title with the status chip, the battery summary under it and the layout button.
class DashboardHeader : public QWidget {
    Q_OBJECT

public:
    explicit DashboardHeader(QWidget* parent = nullptr);
    void refresh(const PowerStore& power, int dropPercent);
    StatusChip* chip() const { return chip_; }
    LayoutButton* layoutButton() const { return layout_; }
    QString summary() const;

private:
    StatusChip* chip_;
    QLabel* summary_;
    LayoutButton* layout_;
};

}  // namespace tarvel

#pragma once

#include <QWidget>

#include "shell/PopoverRules.h"

namespace tarvel {

// The compact panel that a click on the tray icon opens: a frameless tool window with rounded
// corners on the popover background, placed next to the tray icon (or the point the tray host
// reported, or the panel's end of the screen) and kept on screen. It closes when it loses focus, on
// Escape and on Ctrl+W. A frameless tool window rather than a Qt::Popup, because a parentless popup
// opened from a tray click may never show on Wayland.
class PopoverWindow : public QWidget {
    Q_OBJECT

public:
    explicit PopoverWindow(QWidget* parent = nullptr);

    // Replaces the content (the popover root) and takes `size`.
    void setContent(QWidget* content, const PopoverSize& size);
    QWidget* content() const { return content_; }
    // Shows it next to `anchor` (the tray icon's geometry or the clicked point; empty: at the
    // panel's end of the primary screen).
    void showNear(const QRect& anchor);

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* content_ = nullptr;
};

}  // namespace tarvel

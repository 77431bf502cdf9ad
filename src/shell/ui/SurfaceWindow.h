#pragma once

#include <QColor>
#include <QMainWindow>
#include <QSize>

namespace tarvel {

// A dark top-level window of the application (the dashboard, the preferences). Closing it only
// hides it: the application keeps running in the tray.
class SurfaceWindow : public QMainWindow {
    Q_OBJECT

public:
    SurfaceWindow(const QString& title, const QColor& background, QSize size, QSize minimum,
                  QWidget* parent = nullptr);

    // Replaces what the window shows.
    void setContent(QWidget* content);
};

}  // namespace tarvel

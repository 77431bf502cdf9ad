#pragma once

#include <QWidget>

class QKeyEvent;

namespace tarvel {

// Takes the dashboard's keys: Escape and Ctrl+comma. While watching, it claims them anywhere
// in its window before the window's menu shortcuts see them (the main menu binds Ctrl+comma to
// Preferences too, and Qt fires neither of two shortcuts on the same keys); every other key
// takes its usual way.
class DashboardKeyCatcher : public QWidget {
    Q_OBJECT

public:
    explicit DashboardKeyCatcher(QWidget* parent = nullptr);
    ~DashboardKeyCatcher() override;

    // On while the dashboard is shown.
    void setWatching(bool on);
    bool isWatching() const { return watching_; }
    static bool isEscape(const QKeyEvent& event);
    static bool isComma(const QKeyEvent& event);

signals:
    void escapePressed();
    void commaPressed();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool take(const QKeyEvent& event);
    bool inOurWindow(QObject* object) const;

    bool watching_ = false;
};

}  // namespace tarvel

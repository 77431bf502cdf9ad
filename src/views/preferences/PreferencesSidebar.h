#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <vector>

#include "views/preferences/PreferencesSection.h"

namespace tarvel {

// One sidebar entry: the section's symbol and title, highlighted while selected.
class PreferencesSidebarRow : public QAbstractButton {
    Q_OBJECT

public:
    PreferencesSidebarRow(PreferencesSection section, QWidget* parent = nullptr);
    PreferencesSection section() const { return section_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    PreferencesSection section_;
    bool hovered_ = false;
    // Focus that came from the keyboard; the first row takes focus when the window opens,
    // which shows nothing.
    bool tabbedTo_ = false;
};

// The list of panes: a header, one row per section, the build version at the bottom.
class PreferencesSidebar : public QWidget {
    Q_OBJECT

public:
    explicit PreferencesSidebar(QWidget* parent = nullptr);
    void select(PreferencesSection section);
    PreferencesSidebarRow* row(PreferencesSection section) const;

signals:
    // The user clicked a row.
    void chosen(PreferencesSection section);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<PreferencesSidebarRow*> rows_;
};

}  // namespace tarvel

#pragma once

#include <QColor>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "views/components/CardFrame.h"

class QLabel;
class QVBoxLayout;

namespace tarvel {

class Sparkline;
class SymbolView;
class UserDefaults;

// A collapsible card: a header of symbol, title, summary and chevron, an optional sparkline
// under it and the section's content. A click on the header toggles it; the expanded flag is
// stored under the section's own key, so it survives restarts.
class MonitorSection : public CardFrame {
    Q_OBJECT

public:
    MonitorSection(const QString& title, const QColor& accent, std::string storageKey,
                   const QString& icon, UserDefaults& settings, QWidget* parent = nullptr);

    void setSummary(const QString& summary);
    // None: no chart.
    void setSparkline(std::optional<std::vector<double>> values);
    void setIcon(const QString& icon);
    // Where the section's rows go; shown only while expanded.
    QVBoxLayout* content() const { return contentLayout_; }
    // Removes every row from the content.
    void clearContent();

    bool isExpanded() const;
    void setExpanded(bool expanded);
    QString title() const;
    QString summary() const;
    QWidget* header() const { return header_; }
    bool hasSparkline() const;

signals:
    void expandedChanged(bool expanded);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showExpanded();

    UserDefaults& settings_;
    std::string storageKey_;
    QWidget* header_;
    SymbolView* icon_;
    QLabel* title_;
    QLabel* summary_;
    SymbolView* chevron_;
    Sparkline* sparkline_;
    QWidget* body_;
    QVBoxLayout* contentLayout_;
};

}  // namespace tarvel

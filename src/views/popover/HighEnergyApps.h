#pragma once

#include <QLabel>
#include <QWidget>
#include <vector>

#include "drain/ProcEnergy.h"

class QVBoxLayout;

namespace tarvel {

struct ViewServices;

// A one-line label that shortens its text with "…" to fit its width; the text is never read
// as markup.
class ElidedNameLabel : public QLabel {
    Q_OBJECT

public:
    ElidedNameLabel(const QString& text, QWidget* parent = nullptr,
                    Qt::TextElideMode mode = Qt::ElideRight);
    const QString& fullText() const { return full_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString full_;
    Qt::TextElideMode mode_;
};

// "High Energy Usage": up to five apps with their icon, name and a word for their energy;
// "Loading…" until the processes have been sampled once, "None" when a sample found nothing.
class HighEnergyApps : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxApps = 5;

    explicit HighEnergyApps(ViewServices& services, QWidget* parent = nullptr);

public slots:
    void refresh();

private:
    QWidget* appRow(const ProcEnergy& app);
    void clearRows();

    ViewServices& services_;
    QVBoxLayout* rows_;
    std::vector<ProcEnergy> shown_;
    QString shownPlaceholder_;
    bool built_ = false;
};

}  // namespace tarvel

#pragma once

#include <QWidget>
#include <functional>

namespace tarvel {

class PowerDistributionView;
struct ViewServices;

// The list style, read top to bottom like the desktop's own battery menu: battery rows, charge
// control, power distribution, the weather and chat slots, the busiest apps and the menu.
class NewerList : public QWidget {
    Q_OBJECT

public:
    // `context` carries the menu's deferred actions (it outlives this list).
    NewerList(ViewServices& services, QObject* context, QWidget* parent = nullptr);

    // The weather and chat sections' places, hidden while the assistant gives them no content;
    // each one's separator shows and hides with it.
    QWidget* weatherSlot() const { return weatherSlot_; }
    QWidget* chatSlot() const { return chatSlot_; }

public slots:
    void refreshDistribution();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* addSlot(const char* name, const std::function<QWidget*(QWidget*)>& content);

    ViewServices& services_;
    PowerDistributionView* distribution_;
    QWidget* distributionSeparator_;
    QWidget* weatherSlot_;
    QWidget* chatSlot_;
};

}  // namespace tarvel

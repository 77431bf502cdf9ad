#pragma once

#include <QWidget>

class QPushButton;

namespace tarvel {

class UserDefaults;

// The one-time welcome card: a title, three numbered tips and a "Got it" button that records
// the sheet as seen and dismisses it.
class TarvelOnboardingSheet : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 340;
    static constexpr int kPadding = 22;
    static constexpr int kCornerRadius = 14;
    static constexpr int kTitleSize = 18;
    static constexpr int kTipCircle = 22;

    explicit TarvelOnboardingSheet(UserDefaults& defaults, QWidget* parent = nullptr);

    QPushButton* gotItButton() const { return gotIt_; }

signals:
    // "Got it" was pressed: the flag is set and the sheet has closed.
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void dismiss();

    UserDefaults& defaults_;
    QPushButton* gotIt_ = nullptr;
};

}  // namespace tarvel

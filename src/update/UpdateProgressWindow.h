#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;

namespace tarvel {

// "Tarvel Update": a small floating window with the step, a detail line and a bar, shown
// while an update downloads and installs. It does not take the focus.
class UpdateProgressWindow : public QWidget {
    Q_OBJECT

public:
    UpdateProgressWindow(const QString& version, const QString& host, QWidget* parent = nullptr);

    void showDownloadProgress(std::int64_t received, std::int64_t expected);
    void showInstalling();

    QLabel* detail() const { return detail_; }
    QProgressBar* bar() const { return bar_; }

private:
    QString version_;
    QLabel* detail_;
    QProgressBar* bar_;
};

}  // namespace tarvel

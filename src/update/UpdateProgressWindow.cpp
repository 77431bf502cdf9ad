#include "update/UpdateProgressWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include "update/DownloadCheck.h"

namespace tarvel {

UpdateProgressWindow::UpdateProgressWindow(const QString& version, const QString& host,
                                           QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), version_(version) {
    setWindowTitle("Tarvel Update");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(360, 132);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);

    auto* title = new QLabel("Downloading update…", this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(13);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    column->addWidget(title);

    detail_ = new QLabel("Fetching " + version + " from " + host, this);
    detail_->setTextFormat(Qt::PlainText);
    QFont detailFont = detail_->font();
    detailFont.setPointSizeF(11);
    detail_->setFont(detailFont);
    detail_->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(detail_);

    bar_ = new QProgressBar(this);
    bar_->setRange(0, 0);  // indeterminate until the size is known
    bar_->setTextVisible(false);
    bar_->setFixedSize(328, 8);
    column->addWidget(bar_);
    column->addStretch(1);

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void UpdateProgressWindow::showDownloadProgress(std::int64_t received, std::int64_t expected) {
    if (expected >= 1) {
        // QProgressBar counts in int: scale large archives to kilobytes.
        const int scale = expected > 0x7fffffff ? 1024 : 1;
        bar_->setRange(0, int(expected / scale));
        bar_->setValue(int(received / scale));
    }
    detail_->setText(downloadProgressText(received, expected, version_));
}

void UpdateProgressWindow::showInstalling() {
    detail_->setText("Installing " + version_ + "…");
    bar_->setRange(0, 0);
}

}  // namespace tarvel

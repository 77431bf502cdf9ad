#include "update/UpdateAlerts.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "update/VersionOrder.h"

namespace tarvel {

namespace {

// Shows an alert with `first` as its default button and the last one as its escape button.
bool runAlert(QMessageBox::Icon icon, const QString& message, const QString& informative,
              const QString& first, const QString& second = {}) {
    QMessageBox box;
    box.setIcon(icon);
    box.setWindowTitle("Tarvel");
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setInformativeText(informative);
    // The informative label follows the main one's format only in some styles.
    for (auto* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    QPushButton* primary = box.addButton(first, QMessageBox::AcceptRole);
    QPushButton* other =
        second.isEmpty() ? nullptr : box.addButton(second, QMessageBox::RejectRole);
    box.setDefaultButton(primary);
    box.setEscapeButton(other ? other : primary);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return box.clickedButton() == primary;
}

}  // namespace

bool askToInstall(const QString& current, const QString& candidate) {
    return runAlert(QMessageBox::Information, "Tarvel Update Available",
                    "You're running " + displayLabel(current) + ".\n\n" + displayLabel(candidate) +
                        " is available.\n\nDownload and install now? Tarvel will restart when "
                        "done.",
                    "Install Update", "Later");
}

void showUpToDate(const QString& current) {
    runAlert(QMessageBox::Information, "You're Up to Date",
             "Tarvel " + displayLabel(current) + " is the newest build available.", "OK");
}

void showCouldNotCheck(const QString& host) {
    runAlert(QMessageBox::Warning, "Could Not Check for Updates",
             "Could not reach " + host + ". Check your internet connection and try again.", "OK");
}

bool showPreviousUpdateFailed(const QString& message, const QString& logPath,
                              const QString& pageLabel) {
    return runAlert(QMessageBox::Warning, "Previous Update Did Not Complete",
                    message + "\n\nCheck " + logPath + " or reinstall from " + pageLabel + ".",
                    "Open Website", "OK");
}

bool showUpdateFailed(const QString& message) {
    return runAlert(QMessageBox::Warning, "Update Failed", message, "Open Website", "Cancel");
}

void showUpdateInstalled(const QString& version) {
    runAlert(QMessageBox::Information, "Update Installed",
             "Tarvel will restart now to finish applying " + displayLabel(version) + ".", "OK");
}

bool showPackagedInstall(const QString& candidate, const QString& package) {
    return runAlert(QMessageBox::Information, "Update Through Your Package Manager",
                    "This Tarvel was installed from the \"" + package +
                        "\" package. Upgrade that package (for example with \"sudo apt install "
                        "--only-upgrade " +
                        package + "\") to get " + displayLabel(candidate) +
                        ", or download it from the website.",
                    "Open Website", "OK");
}

bool showNotReplaceable(const QString& candidate, const QString& folder) {
    return runAlert(QMessageBox::Information, "Tarvel Cannot Update Itself Here",
                    "This Tarvel runs from " + folder +
                        ", which is neither a Tarvel.app folder nor a package. Build or install " +
                        displayLabel(candidate) +
                        " the way this one was made, or download it from the website.",
                    "Open Website", "OK");
}

}  // namespace tarvel

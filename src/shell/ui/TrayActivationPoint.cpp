#include "shell/ui/TrayActivationPoint.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRegularExpression>

namespace tarvel {

namespace {

constexpr const char* kTrayCategory = "qt.qpa.tray";
// The log line and the activation come from one call: anything older belongs to something else.
constexpr qint64 kFreshMs = 250;

QLoggingCategory::CategoryFilter previousFilter = nullptr;
QtMessageHandler previousHandler = nullptr;
bool userAskedForTrayLog = false;
std::optional<QPoint> lastPoint;
QElapsedTimer lastPointAge;

void categoryFilter(QLoggingCategory* category) {
    if (previousFilter) previousFilter(category);
    if (qstrcmp(category->categoryName(), kTrayCategory) == 0) {
        userAskedForTrayLog = category->isDebugEnabled();
        category->setEnabled(QtDebugMsg, true);
    }
}

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtDebugMsg && context.category && qstrcmp(context.category, kTrayCategory) == 0) {
        // Activate(x, y) logs the two coordinates and nothing else.
        static const QRegularExpression point(QStringLiteral("^(-?\\d+) (-?\\d+)$"));
        const auto match = point.match(message);
        if (match.hasMatch()) {
            lastPoint = QPoint(match.captured(1).toInt(), match.captured(2).toInt());
            lastPointAge.start();
        }
        if (!userAskedForTrayLog) return;
    }
    if (previousHandler) previousHandler(type, context, message);
}

}  // namespace

void TrayActivationPoint::install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    previousHandler = qInstallMessageHandler(messageHandler);  // Qt's default when none was set
    previousFilter = QLoggingCategory::installFilter(categoryFilter);
}

std::optional<QPoint> TrayActivationPoint::take() {
    std::optional<QPoint> point;
    if (lastPoint && lastPointAge.isValid() && lastPointAge.elapsed() <= kFreshMs)
        point = lastPoint;
    lastPoint.reset();
    return point;
}

}  // namespace tarvel

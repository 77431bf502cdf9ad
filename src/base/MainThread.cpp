#include "base/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tarvel {

void postTo(QObject* context, std::function<void()> work) {
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

void postToMain(std::function<void()> work) {
    postTo(QCoreApplication::instance(), std::move(work));
}

}  // namespace tarvel

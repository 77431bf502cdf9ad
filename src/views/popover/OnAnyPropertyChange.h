#pragma once

#include <QMetaMethod>
#include <QMetaProperty>
#include <QObject>

namespace tarvel {

// Calls `receiver->slot` (a method taking no arguments) whenever any notifying property of
// `source` changes, so a view follows every published field without listing them.
inline void onAnyPropertyChange(QObject* source, QObject* receiver, const char* slot) {
    const QMetaObject* meta = source->metaObject();
    const int slotIndex = receiver->metaObject()->indexOfMethod(slot);
    if (slotIndex < 0) return;
    const QMetaMethod target = receiver->metaObject()->method(slotIndex);
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.hasNotifySignal())
            QObject::connect(source, property.notifySignal(), receiver, target);
    }
}

}  // namespace tarvel

#pragma once

#include <QString>
#include <QVariant>
#include <string>

class QObject;

namespace tarvel {

// The one place where the stores' values become Qt types for the views. The stores publish
// standard types (std::string, std::optional, std::vector); views bind to these instead:
//   text            → QString
//   optional value  → the value, or an invalid QVariant when absent
//   list of doubles → QList<qreal>
//   process rows    → QVariantList of QVariantMap (id, name, path, watts, …)
//   charge status   → its display text
// Anything else passes through unchanged.
QVariant qtValue(const QVariant& storeValue);

// A store's property by name, already converted.
QVariant qtProperty(const QObject& store, const char* name);

inline QString qtText(const std::string& text) {
    return QString::fromStdString(text);
}

// Lets plain QVariant conversions (toString(), toList(), …) understand the stores' types too,
// for code that reads a property directly. Idempotent.
void registerQtConversions();

}  // namespace tarvel

#pragma once

#include <QString>
#include <QStringList>

namespace tarvel {

class UserDefaults;

// The OpenRouter model choice: suggestions, and the stored pick (any id is accepted).
namespace PlusOpenRouterModels {

inline constexpr const char* storageKey = "tarvelpro.ai.openrouter.model";
QStringList presets();
// The stored id trimmed, or "openrouter/auto" when absent or blank.
QString selected(const UserDefaults& settings);
void setSelected(UserDefaults& settings, const QString& model);

}  // namespace PlusOpenRouterModels

}  // namespace tarvel

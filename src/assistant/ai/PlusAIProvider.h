#pragma once

#include <QString>
#include <QUrl>
#include <array>
#include <optional>

namespace tarvel {

// The four chat providers, in the order the settings list them.
enum class PlusAIProvider { openRouter, gemini, openai, anthropic };

inline constexpr std::array<PlusAIProvider, 4> kAllPlusAIProviders{
    PlusAIProvider::openRouter, PlusAIProvider::gemini, PlusAIProvider::openai,
    PlusAIProvider::anthropic};

// "OpenRouter", "Gemini", "OpenAI", "Anthropic": the provider's identity and its stored name.
QString rawValue(PlusAIProvider provider);
// The provider named `raw` exactly; nothing for any other text.
std::optional<PlusAIProvider> providerFromRawValue(const QString& raw);
QString defaultModel(PlusAIProvider provider);
// The settings key of the plain-text key earlier builds stored: "tarvelpro.ai.key." + raw value.
QString storageKey(PlusAIProvider provider);
// The provider's page where a user creates an API key.
QUrl keyURL(PlusAIProvider provider);

}  // namespace tarvel

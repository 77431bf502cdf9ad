#include "assistant/ai/PlusAIProvider.h"

namespace tarvel {

QString rawValue(PlusAIProvider provider) {
    switch (provider) {
        case PlusAIProvider::openRouter:
            return QStringLiteral("OpenRouter");
        case PlusAIProvider::gemini:
            return QStringLiteral("Gemini");
        case PlusAIProvider::openai:
            return QStringLiteral("OpenAI");
        case PlusAIProvider::anthropic:
            return QStringLiteral("Anthropic");
    }
    return {};
}

std::optional<PlusAIProvider> providerFromRawValue(const QString& raw) {
    for (PlusAIProvider provider : kAllPlusAIProviders)
        if (rawValue(provider) == raw) return provider;
    return std::nullopt;
}

QString defaultModel(PlusAIProvider provider) {
    switch (provider) {
        case PlusAIProvider::openRouter:
            return QStringLiteral("openrouter/auto");
        case PlusAIProvider::gemini:
            return QStringLiteral("gemini-2.0-flash");
        case PlusAIProvider::openai:
            return QStringLiteral("gpt-4o-mini");
        case PlusAIProvider::anthropic:
            return QStringLiteral("claude-3-5-haiku-20241022");
    }
    return {};
}

QString storageKey(PlusAIProvider provider) {
    return QStringLiteral("tarvelpro.ai.key.") + rawValue(provider);
}

QUrl keyURL(PlusAIProvider provider) {
    switch (provider) {
        case PlusAIProvider::openRouter:
            return QUrl(QStringLiteral("https://openrouter.ai/keys"));
        case PlusAIProvider::gemini:
            return QUrl(QStringLiteral("https://aistudio.google.com/app/apikey"));
        case PlusAIProvider::openai:
            return QUrl(QStringLiteral("https://platform.openai.com/api-keys"));
        case PlusAIProvider::anthropic:
            return QUrl(QStringLiteral("https://console.anthropic.com/settings/keys"));
    }
    return {};
}

}  // namespace tarvel

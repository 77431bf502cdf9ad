#include "assistant/ai/PlusOpenRouterModels.h"

#include "base/UserDefaults.h"

namespace tarvel::PlusOpenRouterModels {

namespace {
const QString kAuto = QStringLiteral("openrouter/auto");
}

QStringList presets() {
    return {kAuto,
            QStringLiteral("openai/gpt-4o-mini"),
            QStringLiteral("openai/gpt-4o"),
            QStringLiteral("anthropic/claude-3.5-sonnet"),
            QStringLiteral("anthropic/claude-3-haiku"),
            QStringLiteral("google/gemini-2.0-flash-001"),
            QStringLiteral("google/gemini-2.5-pro-preview"),
            QStringLiteral("meta-llama/llama-3.3-70b-instruct"),
            QStringLiteral("deepseek/deepseek-chat"),
            QStringLiteral("mistralai/mistral-small-3.1-24b-instruct"),
            QStringLiteral("qwen/qwen-2.5-72b-instruct")};
}

QString selected(const UserDefaults& settings) {
    const auto stored = settings.string(storageKey);
    const QString model = stored ? QString::fromStdString(*stored).trimmed() : QString();
    return model.isEmpty() ? kAuto : model;
}

void setSelected(UserDefaults& settings, const QString& model) {
    const QString trimmed = model.trimmed();
    settings.setString(storageKey, (trimmed.isEmpty() ? kAuto : trimmed).toStdString());
}

}  // namespace tarvel::PlusOpenRouterModels

#include "assistant/chat/PlusChatViews.h"

#include "assistant/chat/PlusChatSection.h"
#include "assistant/chat/PlusPrefsChatPane.h"
#include "views/ViewServices.h"

namespace tarvel {

void installChatViews(ViewServices& services, PlusChatModel& model, PlusAIKeyStore& keys,
                      PlusAIClient& client) {
    services.assistant.chatSection = [&model](QWidget* parent) {
        return new PlusChatSection(model, parent);
    };
    services.assistant.aiPane = [&model, &keys, &client]() -> PreferencesPane* {
        return new PlusPrefsChatPane(model, keys, client);
    };
}

}  // namespace tarvel

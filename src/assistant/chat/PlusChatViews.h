#pragma once

namespace tarvel {

class PlusAIClient;
class PlusAIKeyStore;
class PlusChatModel;
struct ViewServices;

// Puts the chat section in the popover and the AI pane in the preferences. The model, key
// store and client outlive the views.
void installChatViews(ViewServices& services, PlusChatModel& model, PlusAIKeyStore& keys,
                      PlusAIClient& client);

}  // namespace tarvel

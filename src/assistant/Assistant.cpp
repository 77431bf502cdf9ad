#include "assistant/Assistant.h"

#include "assistant/ai/KeychainSecretStore.h"
#include "assistant/ai/PlusAIClient.h"
#include "assistant/ai/PlusAIKeyStore.h"
#include "assistant/chat/PlusChatModel.h"
#include "assistant/chat/PlusChatViews.h"
#include "assistant/chat/PlusFileDownloads.h"
#include "assistant/weather/WeatherStore.h"
#include "assistant/weather/WeatherViews.h"
#include "base/Clock.h"

namespace tarvel {

Assistant::Assistant(UserDefaults& settings)
    : weather_(std::make_unique<WeatherStore>(desktopLocationSource(), network_, Clock::system())),
      secrets_(std::make_unique<KeychainSecretStore>()),
      keys_(std::make_unique<PlusAIKeyStore>(settings, *secrets_)),
      client_(std::make_unique<PlusAIClient>(network_, settings)),
      chat_(std::make_unique<PlusChatModel>(settings, *client_, *keys_, Clock::system(),
                                            PlusFileDownloads::downloadsDirectory(), network_)) {}

Assistant::~Assistant() = default;

void Assistant::installViews(ViewServices& services) {
    installWeatherViews(services, *weather_);
    installChatViews(services, *chat_, *keys_, *client_);
}

void Assistant::start() {
    keys_->load();
}

}  // namespace tarvel

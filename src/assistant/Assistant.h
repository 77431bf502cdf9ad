#pragma once

#include <QNetworkAccessManager>
#include <memory>

namespace tarvel {

class KeychainSecretStore;
class PlusAIClient;
class PlusAIKeyStore;
class PlusChatModel;
class UserDefaults;
class WeatherStore;
struct ViewServices;

// The assistant as the tray application runs it: one network session, local weather, the
// provider keys in the desktop's secret store, the provider client and the conversation.
// Outlives the views.
class Assistant {
public:
    explicit Assistant(UserDefaults& settings);
    ~Assistant();

    // Gives the popover and the preferences the assistant's sections and panes.
    void installViews(ViewServices& services);
    // Reads the provider keys; once the application runs.
    void start();

    PlusChatModel& chat() { return *chat_; }
    WeatherStore& weather() { return *weather_; }

private:
    QNetworkAccessManager network_;
    std::unique_ptr<WeatherStore> weather_;
    std::unique_ptr<KeychainSecretStore> secrets_;
    std::unique_ptr<PlusAIKeyStore> keys_;
    std::unique_ptr<PlusAIClient> client_;
    std::unique_ptr<PlusChatModel> chat_;
};

}  // namespace tarvel

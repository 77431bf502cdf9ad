#pragma once

#include <QString>
#include <map>
#include <optional>

#include "assistant/ai/PlusAIProvider.h"
#include "views/preferences/PreferencesPane.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tarvel {

class PlusAIClient;
class PlusAIKeyStore;
class PlusChatModel;
class PlusPasteableKeyField;

// The provider keys: which provider the chat uses, and per provider its key with paste, save,
// a test request, "use" and a link to where keys are made.
class PlusPrefsAPIConfigPane : public PreferencesPane {
    Q_OBJECT

public:
    PlusPrefsAPIConfigPane(PlusChatModel& model, PlusAIKeyStore& keys, PlusAIClient& client,
                           bool embedded, QWidget* parent = nullptr);

    static constexpr const char* kTestPrompt = "Reply with exactly: ok";

private:
    struct Card {
        QLabel* badge;
        QLabel* keyState;
        PlusPasteableKeyField* field;
        QLabel* status;
        QPushButton* test;
    };

    void addProviderCard(PlusAIProvider provider);
    QString enteredKey(PlusAIProvider provider) const;
    void paste(PlusAIProvider provider);
    void save(PlusAIProvider provider);
    void test(PlusAIProvider provider);
    void use(PlusAIProvider provider);
    void setStatus(PlusAIProvider provider, const QString& status);
    void refresh();

    PlusChatModel& model_;
    PlusAIKeyStore& keys_;
    PlusAIClient& client_;
    QComboBox* active_ = nullptr;
    QLabel* defaultModel_ = nullptr;
    std::map<PlusAIProvider, Card> cards_;
    std::map<PlusAIProvider, QString> drafts_;
    std::optional<PlusAIProvider> testing_;
};

}  // namespace tarvel

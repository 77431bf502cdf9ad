#pragma once

#include "views/preferences/PreferencesPane.h"

class QLabel;
class QStackedWidget;

namespace tarvel {

class PlusAIClient;
class PlusAIKeyStore;
class PlusChatModel;
class SegmentedPicker;

// The preferences' AI pane: the chat with the active provider, and the provider keys in a
// second tab so the sidebar keeps one entry.
class PlusPrefsChatPane : public PreferencesPane {
    Q_OBJECT

public:
    enum class Subtab { chat, api };

    PlusPrefsChatPane(PlusChatModel& model, PlusAIKeyStore& keys, PlusAIClient& client,
                      QWidget* parent = nullptr);

    void showSubtab(Subtab subtab);

private:
    void refreshProvider();

    PlusChatModel& model_;
    PlusAIKeyStore& keys_;
    SegmentedPicker* tabs_;
    QStackedWidget* pages_;
    QLabel* provider_;
    QLabel* keyState_;
};

}  // namespace tarvel

#pragma once

#include <QString>
#include <QUuid>

namespace tarvel {

// One turn of a conversation. Error bubbles are shown but never sent to a provider.
struct PlusChatMessage {
    QUuid id = QUuid::createUuid();
    QString role;  // "user" for the user's turns, "assistant" for replies and errors
    QString text;
    bool isError = false;
};

}  // namespace tarvel

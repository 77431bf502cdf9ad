#pragma once

#include <functional>

class QObject;

namespace tarvel {

// Queues work onto the thread of `context` (the main thread for every store). The call is
// dropped when `context` is destroyed before it runs, which is how background work holds its
// owner weakly.
void postTo(QObject* context, std::function<void()> work);

// Queues work onto the main thread, with the application object as context.
void postToMain(std::function<void()> work);

}  // namespace tarvel

#pragma once

class QObject;

namespace tarvel {

// Turns SIGINT and SIGTERM into a queued QCoreApplication::quit(), so a foreground loop can
// stop cleanly (its destructors run) instead of dying inside a write. The signals are watched
// through a self-pipe: the handler only writes one byte, which is all it may safely do.
// Call once, from the main thread, after the application object exists.
bool quitOnTerminationSignals();

}  // namespace tarvel

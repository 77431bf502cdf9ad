#pragma once

class QObject;

namespace tarvel {

// Turns SIGINT and SIGTERM into a queued QCoreApplication::quit(), so a foreground loop can
// stop cleanly (its destructors run) instead of dying inside a write. The signals are watched
// through a self-pipe: the handler only writes one byte and arms an alarm, which is about all
// it may safely do.
// When the clean stop does not end within a few seconds (a worker stuck in a read cannot be
// joined), or a second signal comes, the process leaves at once with 128 + the signal number.
// Call once, from the main thread, after the application object exists.
bool quitOnTerminationSignals();

}  // namespace tarvel

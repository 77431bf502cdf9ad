#pragma once

namespace tarvel::cli {

// Makes SIGINT and SIGTERM end the application's event loop cleanly (a service manager stops
// a foreground command with SIGTERM).
void quitEventLoopOnTerminationSignals();

}  // namespace tarvel::cli

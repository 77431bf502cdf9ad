#pragma once

#include <ostream>
#include <string>

namespace tarvel::cli {

// Runs a replay script (one JSON object per line: {"t": seconds, "snap": {…}} or
// {"t": seconds, "transition": "sleep"|"wake"}) through the battery smoother and prints one
// line per snapshot, as JSON or as text. `name` prefixes error messages; a bad line throws
// UsageError naming "<name>:<line>:".
void replayScript(const std::string& script, const std::string& name, bool json,
                  std::ostream& out);

}  // namespace tarvel::cli

#pragma once

#include <string>

namespace tarvel {

// The application's data folder, $XDG_DATA_HOME/Tarvel (~/.local/share/Tarvel), created with
// its parents on first use. A folder that cannot be created is not an error here: whoever
// writes into it finds out and copes.
std::string supportDir();

}  // namespace tarvel

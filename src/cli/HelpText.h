#pragma once

#include <string>

#include "cli/CommandTable.h"

namespace tarvel::cli {

// Every command's forms, for `tarvelctl help` and a call without a command.
std::string overviewText();
// One command's forms and options, for `tarvelctl help COMMAND` and `COMMAND --help`.
std::string commandHelpText(const CommandSpec& command);

}  // namespace tarvel::cli

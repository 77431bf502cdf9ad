#pragma once

#include <string>
#include <vector>

namespace tarvel::cli {

// One option a command accepts: "--name" or "--name VALUE".
struct OptionSpec {
    std::string name;       // without the dashes
    std::string valueName;  // empty for a flag
    std::string help;
};

// One way to call a command, as the usage texts show it.
struct CommandForm {
    std::string synopsis;  // after "tarvelctl "; a "\n" continues on an indented line
    std::string summary;   // a "\n" continues on the next line
};

// What the parser, the help texts and the completions know of a command.
struct CommandSpec {
    std::string name;
    std::vector<std::string> subcommands;  // the words its first argument may be
    std::vector<CommandForm> forms;
    std::vector<OptionSpec> options;  // --help comes with every command
};

// Every command, in the order the overview lists them.
const std::vector<CommandSpec>& commandTable();
// The command called `name`; nullptr when there is none.
const CommandSpec* findCommand(const std::string& name);

}  // namespace tarvel::cli

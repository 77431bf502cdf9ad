#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/CommandTable.h"

namespace tarvel::cli {

// Bad command-line usage; main prints the message on one line and exits with status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A command's arguments, parsed with the options its table entry lists and -h/--help:
// "--flag", "--option VALUE" or "--option=VALUE" (a VALUE may begin with "-"), and positional
// arguments ("--" ends the options). Bytes pass through unchanged, whatever their encoding.
class Args {
public:
    // UsageError for an unknown option, a missing value or a value given to a flag.
    Args(const CommandSpec& command, const std::vector<std::string>& argv);

    bool helpRequested() const { return help_; }
    bool has(const std::string& name) const { return flags_.count(name) || values_.count(name); }
    std::string value(const std::string& name, const std::string& fallback = "") const;
    std::optional<double> number(const std::string& name) const;
    const std::vector<std::string>& positional() const { return positional_; }

private:
    bool help_ = false;
    std::set<std::string> flags_;
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
};

// The whole content of a file named on the command line; UsageError when it cannot be read.
std::string readInputFile(const std::string& path);

}  // namespace tarvel::cli

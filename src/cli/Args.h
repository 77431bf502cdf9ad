#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvel::cli {

// Bad command-line usage; main prints the message on one line and exits with status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "--flag" and "--option VALUE" (or "--option=VALUE") arguments plus positional ones.
class Args {
public:
    Args(const std::vector<std::string>& argv, const std::set<std::string>& flags,
         const std::set<std::string>& options);

    bool has(const std::string& name) const { return flags_.count(name) || values_.count(name); }
    std::string value(const std::string& name, const std::string& fallback = "") const;
    std::optional<double> number(const std::string& name) const;
    const std::vector<std::string>& positional() const { return positional_; }

private:
    std::set<std::string> flags_;
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
};

// The whole content of a file named on the command line; UsageError when it cannot be read.
std::string readInputFile(const std::string& path);

}  // namespace tarvel::cli

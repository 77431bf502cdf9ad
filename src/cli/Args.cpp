#include "cli/Args.h"

#include <fstream>
#include <optional>
#include <sstream>

namespace tarvel::cli {

Args::Args(const std::vector<std::string>& argv, const std::set<std::string>& flags,
           const std::set<std::string>& options) {
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a.rfind("--", 0) != 0 || a == "--") {
            positional_.push_back(a);
            continue;
        }
        std::string name = a.substr(2), inlineValue;
        const auto eq = name.find('=');
        const bool hasInline = eq != std::string::npos;
        if (hasInline) {
            inlineValue = name.substr(eq + 1);
            name.erase(eq);
        }
        if (flags.count(name) && !hasInline) {
            flags_.insert(name);
        } else if (options.count(name)) {
            if (hasInline) {
                values_[name] = inlineValue;
            } else if (i + 1 < argv.size()) {
                values_[name] = argv[++i];
            } else {
                throw UsageError("option --" + name + " needs a value");
            }
        } else {
            throw UsageError("unknown option --" + name);
        }
    }
}

std::string Args::value(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

std::optional<double> Args::number(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    try {
        size_t used = 0;
        const double v = std::stod(it->second, &used);
        if (used == it->second.size()) return v;
    } catch (const std::exception&) {
    }
    throw UsageError("--" + name + " expects a number, got \"" + it->second + "\"");
}

std::string readInputFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UsageError("cannot read " + path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace tarvel::cli

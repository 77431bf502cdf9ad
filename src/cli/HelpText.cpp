#include "cli/HelpText.h"

#include <algorithm>

namespace tarvel::cli {

namespace {

// `text` with every line after the first indented by `indent` spaces.
std::string continued(const std::string& text, std::size_t indent) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\n') out.append(indent, ' ');
    }
    return out;
}

std::string formsText(const CommandSpec& command, const std::string& prefix) {
    std::string out;
    for (const auto& form : command.forms) {
        const std::size_t synopsisIndent = 2 + prefix.size() + command.name.size() + 1;
        out += "  " + prefix + continued(form.synopsis, synopsisIndent) + "\n";
        out += "      " + continued(form.summary, 6) + "\n";
    }
    return out;
}

std::string optionLabel(const OptionSpec& option) {
    return "--" + option.name + (option.valueName.empty() ? "" : " " + option.valueName);
}

}  // namespace

std::string overviewText() {
    std::string out =
        "usage: tarvelctl COMMAND [OPTIONS]\n"
        "       tarvelctl help [COMMAND]\n"
        "       tarvelctl --version\n"
        "\n";
    for (const auto& command : commandTable()) out += formsText(command, "");
    return out +
           "\n"
           "\"tarvelctl help COMMAND\" or \"tarvelctl COMMAND --help\" describes a command's "
           "options.\n";
}

std::string commandHelpText(const CommandSpec& command) {
    const std::string helpLabel = "-h, --help";
    std::size_t width = helpLabel.size();
    for (const auto& option : command.options) width = std::max(width, optionLabel(option).size());
    width += 2;

    std::string out = "usage:\n" + formsText(command, "tarvelctl ") + "\noptions:\n";
    for (const auto& option : command.options) {
        const std::string label = optionLabel(option);
        out += "  " + label + std::string(width - label.size(), ' ') +
               continued(option.help, 2 + width) + "\n";
    }
    return out + "  " + helpLabel + std::string(width - helpLabel.size(), ' ') +
           "print this help\n";
}

}  // namespace tarvel::cli

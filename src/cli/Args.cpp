#include "cli/Args.h"

#include <QCommandLineParser>
#include <fstream>
#include <sstream>

namespace tarvel::cli {

namespace {

// Latin-1 maps each byte to one character and back, so paths that are not UTF-8 survive;
// the parser only looks at ASCII dashes and "=".
QString bytesIn(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

std::string bytesOut(const QString& s) {
    return s.toLatin1().toStdString();
}

// The argument that named `unknown`, as the user typed it (without any "=VALUE").
std::string typedOption(const std::vector<std::string>& argv, const std::string& unknown) {
    for (const auto& a : argv) {
        if (a == "--") break;
        const std::string name = a.substr(0, a.find('='));
        if (name.find_first_not_of('-') <= 2 && name.substr(name.find_first_not_of('-')) == unknown)
            return name;
    }
    return "--" + unknown;
}

// The parser's own messages name the argument in quotes; ours say what is wrong with it.
std::string errorMessage(const QCommandLineParser& parser, const std::vector<std::string>& argv) {
    if (!parser.unknownOptionNames().isEmpty())
        return "unknown option " + typedOption(argv, bytesOut(parser.unknownOptionNames().first()));
    const QString text = parser.errorText();
    const qsizetype open = text.indexOf('\''), close = text.lastIndexOf('\'');
    const std::string option = close > open ? bytesOut(text.mid(open + 1, close - open - 1)) : "";
    if (text.startsWith("Missing value")) return "option " + option + " needs a value";
    if (text.startsWith("Unexpected value")) return "option " + option + " takes no value";
    return bytesOut(text);
}

}  // namespace

Args::Args(const CommandSpec& command, const std::vector<std::string>& argv) {
    QCommandLineParser parser;
    // "-json" reads as "--json": no command has one-letter options to bundle.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"});
    parser.addOption(help);
    for (const auto& option : command.options)
        parser.addOption(QCommandLineOption(bytesIn(option.name), bytesIn(option.help),
                                            bytesIn(option.valueName)));

    QStringList arguments{bytesIn("tarvelctl " + command.name)};
    for (const auto& a : argv) arguments << bytesIn(a);
    if (!parser.parse(arguments)) throw UsageError(errorMessage(parser, argv));

    help_ = parser.isSet(help);
    for (const auto& option : command.options) {
        const QString name = bytesIn(option.name);
        if (!parser.isSet(name)) continue;
        if (option.valueName.empty())
            flags_.insert(option.name);
        else
            values_[option.name] = bytesOut(parser.value(name));  // the last one given
    }
    for (const auto& p : parser.positionalArguments()) positional_.push_back(bytesOut(p));
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

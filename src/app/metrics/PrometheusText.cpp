#include "app/metrics/PrometheusText.h"

#include <charconv>
#include <cmath>

namespace tarvel::metrics {

namespace {

std::string escaped(std::string_view text, bool quotes) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' && quotes)
            out += "\\\"";
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string escapeLabelValue(std::string_view value) {
    return escaped(value, true);
}

std::string escapeHelp(std::string_view help) {
    return escaped(help, false);
}

std::string sampleValue(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void Exposition::family(std::string name, std::string help, std::string type) {
    name_ = std::move(name);
    help_ = std::move(help);
    type_ = std::move(type);
    headerWritten_ = false;
}

void Exposition::sample(double value, const Labels& labels) {
    if (!headerWritten_) {
        text_ += "# HELP " + name_ + " " + escapeHelp(help_) + "\n";
        text_ += "# TYPE " + name_ + " " + type_ + "\n";
        headerWritten_ = true;
    }
    text_ += name_;
    if (!labels.empty()) {
        text_ += '{';
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (i) text_ += ',';
            text_ += labels[i].first + "=\"" + escapeLabelValue(labels[i].second) + '"';
        }
        text_ += '}';
    }
    text_ += ' ' + sampleValue(value) + '\n';
}

}  // namespace tarvel::metrics

#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvel::metrics {

using Labels = std::vector<std::pair<std::string, std::string>>;

// A label value as the text format wants it: backslash, double quote and newline escaped.
std::string escapeLabelValue(std::string_view value);
// A HELP text: backslash and newline escaped.
std::string escapeHelp(std::string_view help);
// The shortest text that reads back as the same double ("NaN", "+Inf" and "-Inf" included).
std::string sampleValue(double value);

// Builds a text exposition family by family. A family's HELP and TYPE lines are written with
// its first sample, so a family without samples leaves no trace.
class Exposition {
public:
    void family(std::string name, std::string help, std::string type = "gauge");
    void sample(double value, const Labels& labels = {});
    const std::string& text() const { return text_; }

private:
    std::string name_, help_, type_;
    bool headerWritten_ = true;
    std::string text_;
};

}  // namespace tarvel::metrics

#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvel {

// The answer to "why did the battery drop over the last hour?".
struct WhyDrain {
    struct Culprit {
        Culprit(std::string n = {}, double s = 0, std::string text = {}, double gpu = 0)
            : name(std::move(n)), share(s), note(std::move(text)), gpuShare(gpu) {}

        std::string name;
        double share = 0;  // fraction of the window's summed scores
        std::string note;
        double gpuShare = 0;  // fraction of its own score that came from the GPU
    };
    int dropPercent = 0;
    std::string windowLabel;
    std::vector<Culprit> culprits;  // at most 3, largest share first
    std::string summary;
};

namespace why_texts {
inline constexpr const char* kWindowLabel = "last hour";
inline constexpr const char* kNoHistory =
    "Not enough local history yet — leave Tarvel running while on battery.";
inline constexpr const char* kSteady =
    "Battery held steady over the last hour (or you were charging).";
inline constexpr const char* kSteadyWithActivity =
    "Battery held steady. Highest energy activity still logged for reference.";
}  // namespace why_texts

// The analysis of the history text at `now` (seconds since 1970). Pure.
WhyDrain analyzeWhyDrain(std::string_view historyText, double now);

// Reads the history from its end back to shortly before the window and analyses it; the
// no-history answer when it is missing or cannot be read, and then in `problem` what is wrong
// when it exists (empty otherwise).
WhyDrain whyDrainFromFile(const std::string& path, double now, std::string* problem = nullptr);

}  // namespace tarvel

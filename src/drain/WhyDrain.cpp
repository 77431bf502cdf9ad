#include "drain/WhyDrain.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>

#include "base/Format.h"
#include "drain/DrainLogFile.h"
#include "drain/IsoTime.h"
#include "drain/LineScan.h"

namespace tarvel {

namespace {

constexpr double kWindowSeconds = 3600.0;
// How far before the window the history is read: records are written in time order, and the
// margin keeps those written around a small step of the clock.
constexpr double kReadMarginSeconds = 3600.0;
constexpr std::size_t kMaxCulprits = 3;

struct Tally {
    std::vector<std::pair<std::int64_t, std::int64_t>> levels;  // (time, level)
    std::map<std::string, double> scores;
    std::map<std::string, double> gpuScores;  // older records have none
    std::map<std::string, std::int64_t> events;
};

std::optional<std::string> stringField(const nlohmann::json& j, const char* key) {
    auto it = j.find(key);
    if (it == j.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

std::optional<double> numberField(const nlohmann::json& j, const char* key) {
    auto it = j.find(key);
    if (it == j.end() || !it->is_number()) return std::nullopt;
    return it->get<double>();
}

void countLine(std::string_view line, double windowStart, Tally& tally) {
    auto j = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
    if (!j.is_object()) return;
    const auto t = stringField(j, "t");
    if (!t) return;
    const auto time = parseIsoTime(*t);
    if (!time || static_cast<double>(*time) < windowStart) return;
    const auto kind = stringField(j, "kind");
    if (kind == "power") {
        auto level = j.find("level");
        if (level == j.end() || !level->is_number_integer()) return;
        const std::int64_t value = level->is_number_unsigned()
                                       ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                                             level->get<std::uint64_t>(), INT64_MAX))
                                       : level->get<std::int64_t>();
        tally.levels.emplace_back(*time, value);
        const auto top = stringField(j, "top");
        const auto topScore = numberField(j, "topScore");
        if (top && !top->empty() && topScore) {
            tally.scores[*top] += *topScore;
            tally.gpuScores[*top] += numberField(j, "topGpuScore").value_or(0);
        }
    } else if (kind == "proc") {
        const auto name = stringField(j, "name");
        const auto score = numberField(j, "score");
        if (name && score) {
            tally.scores[*name] += *score;
            tally.gpuScores[*name] += numberField(j, "gpuScore").value_or(0);
        }
    } else if (kind == "event") {
        if (const auto name = stringField(j, "name")) tally.events[*name] += 1;
    }
}

std::string headline(std::int64_t drop, const std::vector<WhyDrain::Culprit>& culprits) {
    const std::string d = std::to_string(drop);
    if (drop == 0) return culprits.empty() ? why_texts::kSteady : why_texts::kSteadyWithActivity;
    if (culprits.empty())
        return "Battery dropped ~" + d +
               "% in the last hour, but no dominant process was logged yet.";
    return culprits.front().name +
           " was responsible for the largest share of energy use while battery dropped ~" + d +
           "% in the last hour.";
}

std::string withEventNotes(std::string summary, const std::map<std::string, std::int64_t>& events) {
    auto count = [&](const char* name) -> std::int64_t {
        auto it = events.find(name);
        return it == events.end() ? 0 : it->second;
    };
    std::vector<std::string> notes;
    if (const auto n = count("display_wake"); n >= 2)
        notes.push_back("Display woke " + std::to_string(n) + "× in this window");
    if (const auto n = count("display_sleep"); n >= 1)
        notes.push_back("Display slept " + std::to_string(n) + "×");
    if (count("system_sleep") >= 1) notes.emplace_back("System sleep recorded");
    if (notes.empty()) return summary;
    summary += " ";
    for (std::size_t i = 0; i < notes.size(); ++i) summary += (i ? ". " : "") + notes[i];
    return summary + ".";
}

}  // namespace

WhyDrain analyzeWhyDrain(std::string_view text, double now) {
    const double windowStart = now - kWindowSeconds;
    const std::string boundary = quickBoundary(windowStart);
    Tally tally;
    forEachLine(text, [&](std::string_view line) {
        // Most of a month-long file lies before the window: reject those lines by their text.
        if (!boundary.empty()) {
            const std::string_view t = quickTime(line);
            if (!t.empty() && t < std::string_view(boundary)) return;
        }
        countLine(line, windowStart, tally);
    });

    std::stable_sort(tally.levels.begin(), tally.levels.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::int64_t drop = 0;
    if (!tally.levels.empty()) {
        const std::int64_t first = tally.levels.front().second, last = tally.levels.back().second;
        // Levels far outside 0…100 come only from damaged lines; keep the subtraction defined.
        drop = std::clamp<std::int64_t>(first, -1'000'000, 1'000'000) -
               std::clamp<std::int64_t>(last, -1'000'000, 1'000'000);
        if (drop < 0) drop = 0;
    }

    double total = 0;
    std::vector<std::pair<std::string, double>> ranked(tally.scores.begin(), tally.scores.end());
    for (const auto& [name, score] : ranked) total += score;
    // Equal scores keep name order, so the answer does not change from run to run.
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    if (ranked.size() > kMaxCulprits) ranked.resize(kMaxCulprits);

    WhyDrain result;
    result.dropPercent = static_cast<int>(drop);
    result.windowLabel = why_texts::kWindowLabel;
    for (const auto& [name, score] : ranked) {
        const double share = total > 0 ? score / total : 0.0;
        const double gpu = score > 0 ? std::clamp(tally.gpuScores[name] / score, 0.0, 1.0) : 0.0;
        std::string note = formatFixed(share * 100, 0) + "% of attributed energy samples";
        if (gpu >= 0.005) note += ", " + formatFixed(gpu * 100, 0) + "% of it on the GPU";
        result.culprits.emplace_back(name, share, note, gpu);
    }
    result.summary = withEventNotes(headline(drop, result.culprits), tally.events);
    return result;
}

WhyDrain whyDrainFromFile(const std::string& path, double now, std::string* problem) {
    const drain_file::LogRead read =
        drain_file::readLogTail(path, quickBoundary(now - kWindowSeconds - kReadMarginSeconds));
    if (problem) *problem = read.problem;
    if (read.status != drain_file::LogRead::Status::Read) {
        WhyDrain none;
        none.windowLabel = why_texts::kWindowLabel;
        none.summary = why_texts::kNoHistory;
        return none;
    }
    return analyzeWhyDrain(read.text, now);
}

}  // namespace tarvel

// History lines: the fast path (quickTime, certainlyValidJson) must decide every line as the
// full parser would, and pruning what a prune kept must change nothing.
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drain/DrainLogFile.h"
#include "drain/IsoTime.h"
#include "drain/LineScan.h"

using namespace tarvel;

namespace {

// The full parser's verdict on one line: its "t" when it is a JSON object with a string "t".
std::optional<std::string> parsedTime(std::string_view line) {
    auto j = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
    if (!j.is_object()) return std::nullopt;
    auto t = j.find("t");
    if (t == j.end() || !t->is_string()) return std::nullopt;
    return t->get<std::string>();
}

bool keptByParser(std::string_view line, double cutoff) {
    const auto t = parsedTime(line);
    if (!t) return false;
    const auto time = parseIsoTime(*t);
    return time && static_cast<double>(*time) >= cutoff;
}

void checkLine(std::string_view line, const std::vector<double>& cutoffs) {
    if (certainlyValidJson(line) && !nlohmann::json::accept(line.begin(), line.end())) std::abort();
    const std::string_view quick = quickTime(line);
    if (!quick.empty() && nlohmann::json::accept(line.begin(), line.end()) &&
        parsedTime(line) != std::string(quick))
        std::abort();
    for (double cutoff : cutoffs) {
        const bool kept = !drain_file::pruneText(line, cutoff).text.empty();
        if (kept != keptByParser(line, cutoff)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // Fixed cutoffs (a whole second and a fraction in 2026, none, out of range) and the time
    // of the first line, so that a record exactly at the cutoff is tried too.
    std::vector<double> cutoffs{1772373909.0, 1772373909.5, 0.0, -1.0, 1e13};
    const std::string_view first = text.substr(0, text.find('\n'));
    if (const auto t = parsedTime(first))
        if (const auto time = parseIsoTime(*t)) cutoffs.push_back(static_cast<double>(*time));

    forEachLine(text, [&](std::string_view line) { checkLine(line, cutoffs); });

    for (double cutoff : cutoffs) {
        const auto once = drain_file::pruneText(text, cutoff);
        const auto twice = drain_file::pruneText(once.text, cutoff);
        if (twice.changed || twice.text != once.text) std::abort();
    }
    return 0;
}

#include "drain/DrainRecords.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "drain/IsoTime.h"

namespace tarvel {

namespace {

using Record = nlohmann::ordered_json;

Record header(double now, const char* kind) {
    Record r = Record::object();
    r["t"] = formatIsoUtc(now);  // first, so that scans can read the time from the text
    r["kind"] = kind;
    return r;
}

// JSON has no NaN or infinity; such a number would come out as null and no longer be a number.
bool finite(double v) {
    return std::isfinite(v);
}

std::optional<std::string> line(const Record& r) {
    try {
        return r.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict) + "\n";
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::string> powerRecordLine(double now, std::optional<int> level, double packageW,
                                           double chargeW, bool charging, const std::string& top,
                                           double topScore, double topGpuScore) {
    if (!finite(packageW) || !finite(chargeW) || !finite(topScore) || !finite(topGpuScore))
        return std::nullopt;
    Record r = header(now, "power");
    // A level that cannot be read is left out; the analysis skips records without one.
    if (level) r["level"] = *level;
    r["packageW"] = packageW;
    r["chargeW"] = chargeW;
    r["charging"] = charging;
    r["top"] = top;
    r["topScore"] = topScore;
    if (topGpuScore > 0) r["topGpuScore"] = topGpuScore;
    return line(r);
}

std::optional<std::string> processRecordLine(double now, const std::string& name, double score,
                                             double cpu, double gpuScore) {
    if (!finite(score) || !finite(cpu) || !finite(gpuScore)) return std::nullopt;
    Record r = header(now, "proc");
    r["name"] = name;
    r["score"] = score;
    r["cpu"] = cpu;
    if (gpuScore > 0) r["gpuScore"] = gpuScore;
    return line(r);
}

std::optional<std::string> eventRecordLine(double now, const std::string& name) {
    Record r = header(now, "event");
    r["name"] = name;
    return line(r);
}

}  // namespace tarvel

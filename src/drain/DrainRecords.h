#pragma once

#include <optional>
#include <string>

namespace tarvel {

// One line of the history file each (compact JSON and a final line feed); nothing when the
// record cannot be serialised (for example a name that is not UTF-8). A power record without a
// level (it could not be read) has no "level" field. The GPU part of a score is written only
// when there is one ("topGpuScore", "gpuScore").
std::optional<std::string> powerRecordLine(double now, std::optional<int> level, double packageW,
                                           double chargeW, bool charging, const std::string& top,
                                           double topScore, double topGpuScore = 0);
std::optional<std::string> processRecordLine(double now, const std::string& name, double score,
                                             double cpu, double gpuScore = 0);
std::optional<std::string> eventRecordLine(double now, const std::string& name);

}  // namespace tarvel

#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::cli {

// The history file's records (JSON objects, in file order, keys in written order); other lines
// are skipped. With `since`, only records whose "t" is a time not earlier than it.
std::vector<nlohmann::ordered_json> historyRecords(std::string_view text,
                                                   std::optional<double> since);

// One JSON array of the records.
std::string historyJson(const std::vector<nlohmann::ordered_json>& records);

// RFC 4180 CSV: a header of every key in first-seen order, one row per record; text has its
// control characters escaped (see printable), and fields holding a comma or a quote are quoted
// with quotes doubled. Nested values are written as ASCII JSON, missing and null ones as empty
// fields. Nothing at all for no records.
std::string historyCsv(const std::vector<nlohmann::ordered_json>& records);

}  // namespace tarvel::cli

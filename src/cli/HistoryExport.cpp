#include "cli/HistoryExport.h"

#include <algorithm>

#include "base/JsonInput.h"
#include "base/TerminalText.h"
#include "drain/IsoTime.h"
#include "drain/LineScan.h"

namespace tarvel::cli {

namespace {

std::string csvField(const nlohmann::ordered_json* value) {
    if (!value || value->is_null()) return "";
    // Line breaks and other controls are escaped as in every text output, so quoting is left
    // for commas and quotes. Nested values are JSON in plain ASCII, escaped by JSON's own rules.
    const std::string text = value->is_string() ? printable(value->get_ref<const std::string&>())
                                                : value->dump(-1, ' ', true);
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::vector<nlohmann::ordered_json> historyRecords(std::string_view text,
                                                   std::optional<double> since) {
    std::vector<nlohmann::ordered_json> records;
    forEachLine(text, [&](std::string_view line) {
        // The log never nests deeply; such a line is skipped like any other broken one.
        if (!jsonNestingWithin(line)) return;
        auto j = nlohmann::ordered_json::parse(line.begin(), line.end(), nullptr, false);
        if (!j.is_object()) return;
        if (since) {
            auto t = j.find("t");
            if (t == j.end() || !t->is_string()) return;
            const auto time = parseIsoTime(t->get<std::string>());
            if (!time || static_cast<double>(*time) < *since) return;
        }
        records.push_back(std::move(j));
    });
    return records;
}

std::string historyJson(const std::vector<nlohmann::ordered_json>& records) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& r : records) list.push_back(r);
    return list.dump(2) + "\n";
}

std::string historyCsv(const std::vector<nlohmann::ordered_json>& records) {
    std::vector<std::string> columns;
    for (const auto& r : records)
        for (const auto& [key, value] : r.items())
            if (std::find(columns.begin(), columns.end(), key) == columns.end())
                columns.push_back(key);
    if (columns.empty()) return "";
    std::string out;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const nlohmann::ordered_json name = columns[i];
        out += (i ? "," : "") + csvField(&name);
    }
    out += "\n";
    for (const auto& r : records) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            auto it = r.find(columns[i]);
            out += (i ? "," : "") + csvField(it == r.end() ? nullptr : &*it);
        }
        out += "\n";
    }
    return out;
}

}  // namespace tarvel::cli

// `history --json/--csv`: the export of whatever the history file holds.
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

#include "cli/HistoryExport.h"

using namespace tarvel::cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto all = historyRecords(text, std::nullopt);
    const auto recent = historyRecords(text, 1772373909.0);
    if (recent.size() > all.size()) std::abort();

    // The JSON export is valid JSON holding one element per record, and reads back to itself.
    const std::string exported = historyJson(all);
    const auto back = nlohmann::ordered_json::parse(exported, nullptr, false);
    if (!back.is_array() || back.size() != all.size()) std::abort();
    if (back.dump(2) + "\n" != exported) std::abort();

    if (all.empty() && !historyCsv(all).empty()) std::abort();
    historyCsv(recent);
    return 0;
}

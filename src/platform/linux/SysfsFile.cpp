#include "platform/linux/SysfsFile.h"

#include "base/RegularFile.h"

namespace tarvel {

namespace {
constexpr std::int64_t kMaxMagnitude = 10'000'000'000'000;  // 10^13
}

std::optional<std::string> readSysfsText(const std::string& path) {
    auto read = readRegularFileText(path);
    if (!read) return std::nullopt;
    std::string& text = *read;
    const auto last = text.find_last_not_of(" \t\r\n");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return read;
}

std::optional<std::int64_t> parseSysfsInteger(const std::string& text) {
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t' || text[n - 1] == '\n' ||
                     text[n - 1] == '\r'))
        --n;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i >= n) return std::nullopt;
    std::int64_t value = 0;
    for (; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > kMaxMagnitude) return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<std::int64_t> readSysfsInteger(const std::string& path) {
    auto text = readSysfsText(path);
    return text ? parseSysfsInteger(*text) : std::nullopt;
}

std::optional<int> countCpuList(const std::string& list) {
    int count = 0;
    size_t pos = 0;
    if (list.empty()) return 0;
    while (pos <= list.size()) {
        const size_t comma = std::min(list.find(',', pos), list.size());
        const std::string range = list.substr(pos, comma - pos);
        const size_t dash = range.find('-');
        const auto first = parseSysfsInteger(range.substr(0, dash));
        const auto last =
            dash == std::string::npos ? first : parseSysfsInteger(range.substr(dash + 1));
        if (!first || !last || *first < 0 || *last < *first || *last - *first > 65536)
            return std::nullopt;
        count += int(*last - *first + 1);
        pos = comma + 1;
    }
    return count;
}

}  // namespace tarvel

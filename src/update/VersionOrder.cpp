#include "update/VersionOrder.h"

#include <QList>
#include <algorithm>
#include <string>

namespace tarvel {

namespace {

QString trimSpacesAndTabs(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == ' ' || c == '\t'; };
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

}  // namespace

std::vector<std::int64_t> versionNumbers(const QString& version) {
    QString text = trimSpacesAndTabs(version);
    if (text.toLower().startsWith('v')) text.remove(0, 1);
    std::vector<std::int64_t> numbers;
    // Walked by code point: a digit outside the basic plane is one character, not two.
    std::u32string run;
    auto flush = [&] {
        if (run.empty()) return;
        bool ascii =
            std::all_of(run.begin(), run.end(), [](char32_t c) { return c >= '0' && c <= '9'; });
        bool ok = false;
        const qlonglong value =
            QString::fromUcs4(run.data(), qsizetype(run.size())).toLongLong(&ok, 10);
        if (ascii && ok) numbers.push_back(value);
        run.clear();
    };
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isNumber(c))
            run += c;
        else
            flush();
    }
    flush();
    return numbers;
}

int channelRank(const QString& version) {
    const QString lower = version.toLower();
    if (lower.contains("experimental")) return 3;
    if (lower.contains("beta")) return 2;
    if (lower.contains("final") || lower.contains("stable")) return 1;
    return 0;
}

bool isNewer(const QString& a, const QString& than) {
    if (a == than) return false;
    const auto left = versionNumbers(a);
    const auto right = versionNumbers(than);
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const std::int64_t l = i < left.size() ? left[i] : 0;
        const std::int64_t r = i < right.size() ? right[i] : 0;
        if (l != r) return l > r;
    }
    const int rankA = channelRank(a);
    const int rankB = channelRank(than);
    if (rankA != rankB) return rankA > rankB;
    return QString::localeAwareCompare(a.toLower(), than.toLower()) > 0;
}

QString displayLabel(const QString& version) {
    QString label = version;
    label.replace("-Experimental", " Experimental");
    label.replace("-Beta", " Beta");
    label.replace("-Final", " Final");
    return label;
}

}  // namespace tarvel

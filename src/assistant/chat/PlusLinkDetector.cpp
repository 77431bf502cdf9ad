#include "assistant/chat/PlusLinkDetector.h"

#include <QStringView>
#include <QUrl>
#include <array>
#include <optional>
#include <string_view>

namespace tarvel {

namespace {

// Characters that end a link wherever they appear.
bool endsLink(QChar c) {
    const char16_t u = c.unicode();
    // u < 0x20 and 0x7f…0x9f: the control characters (category Cc).
    return u < 0x20 || (u >= 0x7f && u <= 0x9f) || c.isSpace() || u == '<' || u == '>' ||
           u == '"' || u == '`';
}

// Characters a sentence puts after a link.
bool trailingPunctuation(QChar c) {
    switch (c.unicode()) {
        case u'.':
        case u',':
        case u';':
        case u':':
        case u'!':
        case u'?':
        case u'\'':
        case u'*':
        case u'_':
        case u'~':
        case u'\u2019':
        case u'\u201D':
        case u'\u00BB':
        case u'\u2026':
        case u'\u3002':
            return true;
        default:
            return false;
    }
}

// Drops what follows a link rather than belongs to it: trailing punctuation and closing
// brackets that close nothing. Counts brackets once, so a long run of them stays linear.
QStringView trimmed(QStringView link) {
    const std::pair<QChar, QChar> pairs[] = {{'(', ')'}, {'[', ']'}, {'{', '}'}};
    qsizetype balance[3] = {0, 0, 0};  // closes minus opens, per pair
    for (QChar c : link)
        for (int p = 0; p < 3; ++p) balance[p] += (c == pairs[p].second) - (c == pairs[p].first);
    while (!link.isEmpty()) {
        const QChar last = link.back();
        bool drop = trailingPunctuation(last);
        for (int p = 0; p < 3 && !drop; ++p)
            if (last == pairs[p].second && balance[p] > 0) {
                --balance[p];
                drop = true;
            }
        if (!drop) return link;
        link.chop(1);
    }
    return link;
}

bool asciiAlnum(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// Characters a path, query or fragment may hold as they are.
constexpr auto kAllowedInPath = [] {
    std::array<bool, 128> allowed{};
    for (char c = 'a'; c <= 'z'; ++c) allowed[std::size_t(c)] = true;
    for (char c = 'A'; c <= 'Z'; ++c) allowed[std::size_t(c)] = true;
    for (char c = '0'; c <= '9'; ++c) allowed[std::size_t(c)] = true;
    for (char c : std::string_view("-._~!$&'()*+,;=:@/?")) allowed[std::size_t(c)] = true;
    return allowed;
}();

// Whether a link of the plainest kind (a name of letters, digits, dots and dashes, no port,
// user or escapes; a path of characters a URL allows as they are) is a valid web address,
// without building a QUrl: most links in a reply are such. nullopt: only QUrl can tell.
std::optional<bool> plainLinkValid(QStringView link, qsizetype hostStart) {
    qsizetype at = hostStart;
    qsizetype labelStart = at;
    while (at < link.size() && link.at(at) != u'/' && link.at(at) != u'?' && link.at(at) != u'#') {
        const QChar c = link.at(at);
        if (c == u'.') {
            const qsizetype label = at - labelStart;
            if (label == 0 || label > 63 || link.at(at - 1) == u'-') return std::nullopt;
            labelStart = at + 1;
        } else if (c == u'-') {
            // A label may not begin with "-"; one beginning "xn--" is punycode.
            if (at == labelStart || (at == labelStart + 2 && link.at(at + 1) == u'-'))
                return std::nullopt;
        } else if (!asciiAlnum(c)) {
            return std::nullopt;
        }
        ++at;
    }
    const qsizetype hostLength = at - hostStart;
    if (hostLength == 0) return false;
    // Numeric addresses and long names are QUrl's to judge.
    if (hostLength > 253 || at - labelStart > 63 || link.at(at - 1) == u'-' ||
        (labelStart < at && link.at(labelStart).isDigit()))
        return std::nullopt;
    bool fragment = false;
    for (; at < link.size(); ++at) {
        const char16_t c = link.at(at).unicode();
        if (c == u'#' && !fragment)
            fragment = true;
        else if (c >= 128 || !kAllowedInPath[c])
            return std::nullopt;
    }
    return true;
}

bool startsWord(QStringView text, qsizetype at) {
    return at == 0 || !text.at(at - 1).isLetterOrNumber();
}

qsizetype schemeLength(QStringView text, qsizetype at) {
    const QStringView rest = text.mid(at);
    if (rest.startsWith(u"http://")) return 7;
    if (rest.startsWith(u"https://")) return 8;
    return 0;
}

}  // namespace

QStringList webLinks(const QString& text) {
    // One pass: each position is looked at a bounded number of times, so a reply with a
    // hundred thousand links costs no more than reading it.
    QStringList links;
    const QStringView all(text);
    const qsizetype size = all.size();
    qsizetype runEnd = -1;    // where the unbroken run holding the current position ends
    qsizetype markdown = -1;  // the next "](" at or after the current position, or size
    qsizetype at = 0;
    while ((at = all.indexOf(u'h', at)) >= 0) {
        if (!startsWord(all, at) || schemeLength(all, at) == 0) {
            ++at;
            continue;
        }
        if (runEnd < at) {
            runEnd = at;
            while (runEnd < size && !endsLink(all.at(runEnd))) ++runEnd;
        }
        if (markdown < at) {
            markdown = text.indexOf(QStringLiteral("]("), at);
            if (markdown < 0) markdown = size;
        }
        const qsizetype end = std::min(runEnd, markdown);
        const QStringView link = trimmed(all.mid(at, end - at));
        bool valid;
        if (const auto plain = plainLinkValid(link, schemeLength(all, at))) {
            valid = *plain;
        } else {
            const QUrl url(link.toString(), QUrl::StrictMode);
            valid = url.isValid() && !url.host().isEmpty();
        }
        if (valid) links.append(link.toString());
        at += std::max<qsizetype>(link.size(), 1);
    }
    return links;
}

}  // namespace tarvel

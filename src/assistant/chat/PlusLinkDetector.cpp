#include "assistant/chat/PlusLinkDetector.h"

#include <QUrl>

namespace tarvel {

namespace {

// Characters that end a link wherever they appear.
bool endsLink(QChar c) {
    return c.isSpace() || c.category() == QChar::Other_Control || c == '<' || c == '>' ||
           c == '"' || c == '`';
}

// Characters a sentence puts after a link.
bool trailingPunctuation(QChar c) {
    static const QString marks = QStringLiteral(".,;:!?'*_~\u2019\u201D\u00BB\u2026\u3002");
    return marks.contains(c);
}

// Drops what follows a link rather than belongs to it.
QString trimmed(QString link) {
    if (const int markdown = link.indexOf("]("); markdown >= 0) link.truncate(markdown);
    for (;;) {
        if (link.isEmpty()) return link;
        const QChar last = link.back();
        if (trailingPunctuation(last)) {
            link.chop(1);
            continue;
        }
        const std::pair<QChar, QChar> pairs[] = {{'(', ')'}, {'[', ']'}, {'{', '}'}};
        bool unbalanced = false;
        for (const auto& [open, close] : pairs)
            if (last == close && link.count(close) > link.count(open)) unbalanced = true;
        if (!unbalanced) return link;
        link.chop(1);
    }
}

bool startsWord(const QString& text, qsizetype at) {
    return at == 0 || !text.at(at - 1).isLetterOrNumber();
}

}  // namespace

QStringList webLinks(const QString& text) {
    QStringList links;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype http = text.indexOf("http://", from);
        const qsizetype https = text.indexOf("https://", from);
        qsizetype start = http < 0 ? https : (https < 0 ? http : std::min(http, https));
        if (start < 0) break;
        if (!startsWord(text, start)) {
            from = start + 1;
            continue;
        }
        qsizetype end = start;
        while (end < text.size() && !endsLink(text.at(end))) ++end;
        const QString link = trimmed(text.mid(start, end - start));
        const QUrl url(link, QUrl::StrictMode);
        if (url.isValid() && !url.host().isEmpty()) links.append(link);
        from = start + std::max<qsizetype>(link.size(), 1);
    }
    return links;
}

}  // namespace tarvel

#include "assistant/ai/PlusAIReplies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringDecoder>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <initializer_list>
#include <numeric>
#include <variant>
#include <vector>

namespace tarvel::PlusAIReplies {

namespace {

// A step into a JSON value: a key of an object or an index of an array.
using Step = std::variant<const char*, int>;

Parsed textAt(const QByteArray& body, std::initializer_list<Step> path) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return {Parsed::Kind::notJson, {}, error.errorString()};
    if (!document.isObject()) return {};
    QJsonValue value = document.object();
    for (const Step& step : path) {
        if (const auto* key = std::get_if<const char*>(&step)) {
            if (!value.isObject()) return {};
            value = value.toObject().value(QLatin1String(*key));
        } else {
            const int index = std::get<int>(step);
            if (!value.isArray() || value.toArray().size() <= index) return {};
            value = value.toArray().at(index);
        }
    }
    if (!value.isString()) return {};
    return {Parsed::Kind::text, value.toString(), {}};
}

int hexDigit(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}

}  // namespace

Parsed chatCompletionText(const QByteArray& body) {
    return textAt(body, {"choices", 0, "message", "content"});
}

Parsed geminiText(const QByteArray& body) {
    return textAt(body, {"candidates", 0, "content", "parts", 0, "text"});
}

Parsed anthropicText(const QByteArray& body) {
    return textAt(body, {"content", 0, "text"});
}

// Marks the key in `text`, and any run of 8 or more of its characters that begins or ends it;
// empty when there is none.
std::vector<bool> secretMarks(const QString& text, const QString& secret) {
    std::vector<bool> hidden(std::size_t(text.size()), false);
    bool found = false;
    const auto hide = [&](qsizetype from, qsizetype to) {
        found = true;
        for (qsizetype k = from; k < to; ++k) hidden[std::size_t(k)] = true;
    };
    const qsizetype n = secret.size();
    constexpr qsizetype kPiece = 8;
    if (n <= kPiece) {
        for (qsizetype at = text.indexOf(secret); at >= 0; at = text.indexOf(secret, at + 1))
            hide(at, at + n);
    } else {
        const QString head = secret.left(kPiece);
        for (qsizetype at = text.indexOf(head); at >= 0; at = text.indexOf(head, at + 1)) {
            qsizetype length = kPiece;
            while (length < n && at + length < text.size() &&
                   text.at(at + length) == secret.at(length))
                ++length;
            hide(at, at + length);
        }
        const QString tail = secret.right(kPiece);
        for (qsizetype at = text.indexOf(tail); at >= 0; at = text.indexOf(tail, at + 1)) {
            const qsizetype end = at + kPiece;
            qsizetype length = kPiece;
            while (length < n && end - length > 0 &&
                   text.at(end - length - 1) == secret.at(n - length - 1))
                ++length;
            hide(end - length, end);
        }
    }
    if (!found) hidden.clear();
    return hidden;
}

QString withoutSecret(const QString& text, const QString& secret) {
    if (secret.isEmpty()) return text;
    QString current = text;
    // Taking pieces out can join their neighbours into the key again: repeat, a bounded number
    // of times, and show nothing rather than what could still hold it.
    for (int pass = 0; pass < 32; ++pass) {
        // The text as a JSON string would read: "\/", "\"", "\\" and "\uXXXX" are one
        // character each. starts[k] is where decoded character k begins in `current`.
        QString decoded;
        std::vector<qsizetype> starts;
        decoded.reserve(current.size());
        starts.reserve(std::size_t(current.size()) + 1);
        for (qsizetype i = 0; i < current.size();) {
            starts.push_back(i);
            const QChar c = current.at(i);
            const QChar next = i + 1 < current.size() ? current.at(i + 1) : QChar();
            if (c == u'\\' && next == u'u' && i + 6 <= current.size()) {
                char16_t code = 0;
                bool hex = true;
                for (qsizetype d = i + 2; d < i + 6 && hex; ++d) {
                    const int digit = hexDigit(current.at(d));
                    hex = digit >= 0;
                    code = char16_t(code * 16 + std::max(digit, 0));
                }
                if (hex) {
                    decoded += QChar(code);
                    i += 6;
                    continue;
                }
            }
            if (c == u'\\' && (next == u'/' || next == u'"' || next == u'\\')) {
                decoded += next;
                i += 2;
                continue;
            }
            decoded += c;
            ++i;
        }
        starts.push_back(current.size());

        // The key as JSON would read it, else as it stands in the raw text.
        auto hidden = secretMarks(decoded, secret);
        if (hidden.empty()) {
            hidden = secretMarks(current, secret);
            if (hidden.empty()) return current;
            decoded = current;
            starts.resize(std::size_t(current.size()) + 1);
            std::iota(starts.begin(), starts.end(), qsizetype(0));
        }
        QString kept;
        kept.reserve(current.size());
        for (qsizetype k = 0; k < decoded.size(); ++k)
            if (!hidden[std::size_t(k)])
                kept += QStringView(current).mid(
                    starts[std::size_t(k)], starts[std::size_t(k) + 1] - starts[std::size_t(k)]);
        current = kept;
    }
    return {};
}

QString errorExcerpt(const QByteArray& body, const QString& secret, int limit) {
    // fromUtf8 would quietly replace broken bytes; a body that is not UTF-8 shows nothing.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = withoutSecret(decoder(body), secret);
    if (decoder.hasError()) return {};
    // Characters as a reader counts them: an accent or a joined emoji is never cut off.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int counted = 0; counted < limit && end < text.size(); ++counted) {
        end = graphemes.toNextBoundary();
        if (end < 0) end = text.size();
    }
    return text.left(end);
}

}  // namespace tarvel::PlusAIReplies

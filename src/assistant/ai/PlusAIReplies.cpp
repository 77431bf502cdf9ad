#include "assistant/ai/PlusAIReplies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringDecoder>
#include <initializer_list>
#include <variant>

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

QString errorExcerpt(const QByteArray& body, const QString& secret, int limit) {
    // fromUtf8 would quietly replace broken bytes; a body that is not UTF-8 shows nothing.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder(body);
    if (decoder.hasError()) return {};
    // Taking the key out can join its neighbours into the key again.
    while (!secret.isEmpty() && text.contains(secret)) text.remove(secret);

    qsizetype end = 0;
    for (int counted = 0; end < text.size() && counted < limit; ++counted)
        end += (text.at(end).isHighSurrogate() && end + 1 < text.size() &&
                text.at(end + 1).isLowSurrogate())
                   ? 2
                   : 1;
    return text.left(end);
}

}  // namespace tarvel::PlusAIReplies

#pragma once

#include <QByteArray>
#include <QString>

namespace tarvel::PlusAIReplies {

// What a 200 answer's body held.
struct Parsed {
    enum class Kind { text, missing, notJson };
    Kind kind = Kind::missing;
    QString text;   // the reply, for `text`
    QString error;  // the parser's complaint, for `notJson`
};

// choices[0].message.content (OpenAI and OpenRouter).
Parsed chatCompletionText(const QByteArray& body);
// candidates[0].content.parts[0].text
Parsed geminiText(const QByteArray& body);
// content[0].text
Parsed anthropicText(const QByteArray& body);

// The text with the secret taken out: as written or JSON-escaped ("\/", "\uXXXX"), and any
// run of 8 or more of its characters that begins or ends it.
QString withoutSecret(const QString& text, const QString& secret);

// The start of an error body for an error text: at most `limit` user-perceived characters of
// the body read as UTF-8 ("" when it is not valid UTF-8), the secret taken out first.
QString errorExcerpt(const QByteArray& body, const QString& secret, int limit = 180);

}  // namespace tarvel::PlusAIReplies

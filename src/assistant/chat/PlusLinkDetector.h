#pragma once

#include <QString>
#include <QStringList>

namespace tarvel {

// The web links written in a message: "http://" and "https://" only (as typed, case-sensitive),
// in order, duplicates kept. Sentence punctuation after a link, a ")" that closes nothing and
// the "](" of a Markdown link are not part of it; a bare host name is no link.
QStringList webLinks(const QString& text);

}  // namespace tarvel

#pragma once

#include <QString>
#include <ostream>

#include "platform/CommandRunner.h"

// Readable failure messages for the values these tests compare.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tarvel {

inline void PrintTo(const RecordingCommandRunner::Call& call, std::ostream* os) {
    *os << call.path;
    for (const std::string& argument : call.arguments) *os << " '" << argument << "'";
}

}  // namespace tarvel

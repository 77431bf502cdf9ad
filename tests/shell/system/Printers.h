#pragma once

#include <QString>
#include <ostream>

// Readable failure messages for the values these tests compare.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

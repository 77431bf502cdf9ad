#include "base/TerminalText.h"

#include <QChar>

namespace tarvel {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendByte(std::string& out, const char* prefix, unsigned value) {
    out += prefix;
    out += kHex[(value >> 4) & 0xf];
    out += kHex[value & 0xf];
}

bool continuation(unsigned char c) {
    return (c & 0xc0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of `s` (overlong forms, surrogates
// and code points past U+10FFFF are not), or 0.
std::size_t sequenceLength(std::string_view s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    std::size_t length;
    unsigned char low = 0x80, high = 0xbf;  // the allowed range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else {
        return 0;
    }
    if (s.size() < length || b(1) < low || b(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!continuation(b(i))) return 0;
    return length;
}

// The code point of a well-formed sequence.
char32_t decoded(std::string_view s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    char32_t code = s.size() == 2 ? b(0) & 0x1f : s.size() == 3 ? b(0) & 0x0f : b(0) & 0x07;
    for (std::size_t i = 1; i < s.size(); ++i) code = (code << 6) | (b(i) & 0x3f);
    return code;
}

// \uHHHH, or \UHHHHHHHH past the Basic Multilingual Plane.
void appendCodePoint(std::string& out, char32_t code) {
    const int digits = code > 0xffff ? 8 : 4;
    out += code > 0xffff ? "\\U" : "\\u";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xf];
}

}  // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
                case '\\':
                    out += "\\\\";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default:
                    if (c < 0x20 || c == 0x7f)
                        appendByte(out, "\\x", c);
                    else
                        out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t length = sequenceLength(text.substr(i));
        if (length == 0) {
            appendByte(out, "\\x", c);
            ++i;
        } else if (length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
            // U+0080…U+009F: terminals take some of these as commands (U+009B starts one).
            appendByte(out, "\\u00", static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else if (const char32_t code = decoded(text.substr(i, length));
                   QChar::category(code) == QChar::Other_Format) {
            // Format characters reorder or hide what follows (U+202E shows "exe.gpj" as
            // "jpg.exe"), so they are shown, not obeyed.
            appendCodePoint(out, code);
            i += length;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

}  // namespace tarvel

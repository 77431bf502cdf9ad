#pragma once

#include <string_view>

namespace tarvel {

// Cheap looks at history lines, so that scanning a month of records does not parse every one.

// Calls fn(line) for each non-empty line of text (split at line feeds).
template <typename Fn>
void forEachLine(std::string_view text, Fn&& fn) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) fn(text.substr(start, end - start));
        start = end + 1;
    }
}

// The time of a line written the way this program writes them: it starts with {"t":"…" in
// the canonical UTC form and names no other "t" key, plainly or through a \u escape. Such times
// compare as strings. Empty when the line has another shape; the caller must then parse it
// properly.
std::string_view quickTime(std::string_view line);

// True only when the text is certainly one valid JSON value: a plain subset (ASCII, simple
// escapes, numbers without exponents, modest nesting) checked without building anything.
// False means "not certain": the caller asks a full parser.
bool certainlyValidJson(std::string_view text);

// The canonical UTC text of the first whole second not earlier than `seconds`, i.e. the
// smallest record time that is not before it; empty when it has no canonical form.
std::string quickBoundary(double seconds);

}  // namespace tarvel

#pragma once

#include <string>
#include <string_view>

namespace tarvel {

// Text from outside (process names, paths, history records) made safe to print on a terminal.
// Control characters (C0, DEL and the C1 range U+0080…U+009F), format characters (Unicode
// category Cf: bidirectional overrides, zero-width characters) and bytes that are not UTF-8
// become visible escapes: \n \r \t, \xHH for other ASCII controls and stray bytes, \u00HH for
// C1 controls, \uHHHH or \UHHHHHHHH for format characters. A backslash is doubled, so each escape
// reads one way only. Anything else, including valid non-ASCII text, passes unchanged.
std::string printable(std::string_view text);

}  // namespace tarvel

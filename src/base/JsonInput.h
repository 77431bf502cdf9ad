#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvel {

// JSON read from outside (files named on the command line, the history file) nests at most
// this deep. Converting, copying and printing a parsed value recurse once per level, so
// deeper text is refused before it is parsed.
inline constexpr int kMaxJsonNesting = 64;

// Whether no array or object in `text` lies deeper than `maxDepth` levels. One pass without
// recursion; brackets inside strings do not count. Says nothing of whether `text` is valid JSON.
bool jsonNestingWithin(std::string_view text, int maxDepth = kMaxJsonNesting);

// Outside text quoted in an error message: at most `maxChars` characters (whole UTF-8
// sequences), then "…" when there was more.
std::string quotedExcerpt(std::string_view text, std::size_t maxChars = 80);

}  // namespace tarvel

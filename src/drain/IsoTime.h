#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

// ISO 8601 internet date-times (RFC 3339) without fractional seconds, as the history file
// writes them: "2026-03-01T14:05:09Z".

// Whole seconds since 1970 (the fraction dropped) as UTC, e.g. "2026-03-01T14:05:09Z".
std::string formatIsoUtc(double secondsSince1970);

// Seconds since 1970 of "YYYY-MM-DDTHH:MM:SS" followed by "Z" or "+HH:MM"/"-HH:MM";
// nothing for anything else (fractions, missing zone, impossible dates).
std::optional<std::int64_t> parseIsoTime(std::string_view text);

// Only the canonical UTC form this program writes (exactly 20 characters ending in "Z").
// Those strings sort in time order, which lets a scan compare them without converting.
bool looksLikeCanonicalUtc(std::string_view text);

}  // namespace tarvel

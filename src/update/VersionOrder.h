#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace tarvel {

// The numbers of a version string: each run of digits after an optional leading "v".
std::vector<std::int64_t> versionNumbers(const QString& version);
// experimental 3, beta 2, final or stable 1, untagged 0.
int channelRank(const QString& version);
// Numbers first, then the channel tag, then a case-insensitive comparison of the text.
bool isNewer(const QString& a, const QString& than);
// "v0.1.5-Pro-Beta" → "v0.1.5-Pro Beta".
QString displayLabel(const QString& version);

}  // namespace tarvel

// An AI provider's error body, shown in the chat: the excerpt keeps at most 180 code points,
// never ends in half a surrogate pair and never shows the key. The first byte says how many of
// the following bytes are the key.
#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "assistant/ai/PlusAIReplies.h"

using namespace tarvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto keyLength = std::min<std::size_t>(data[0] % 32, size - 1);
    const QString key = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                          static_cast<qsizetype>(keyLength));
    const QByteArray body(reinterpret_cast<const char*>(data + 1 + keyLength),
                          static_cast<qsizetype>(size - 1 - keyLength));

    const QString excerpt = PlusAIReplies::errorExcerpt(body, key);
    if (!key.isEmpty() && excerpt.contains(key)) std::abort();
    const auto points = excerpt.toUcs4();
    if (points.size() > 180) std::abort();
    if (!excerpt.isEmpty() && excerpt.back().isHighSurrogate()) std::abort();
    return 0;
}

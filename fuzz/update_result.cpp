// The result file an update leaves for the next launch, which anything may have written:
// interpret it, and a line whose status is "ok" is never reported.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "update/PendingResult.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto message = tarvel::unfinishedUpdateMessage(text);
    const QString line = text.trimmed();
    if (message && (line == "ok" || line.startsWith("ok|"))) std::abort();
    if (!message && !line.isEmpty() && !line.startsWith("ok|") && line != "ok") std::abort();
    return 0;
}

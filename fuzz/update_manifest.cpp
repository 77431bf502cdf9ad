// version.json as the update host (or whoever answers in its place) serves it: decode it both
// ways, and every archive name it leads to must either pass the name rule as a plain file
// name or be refused.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "update/VersionManifest.h"
#include "update/VersionOrder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto manifest = tarvel::VersionManifest::decode(json);
    const auto info = tarvel::VersionManifest::decode(json, false);
    // Whatever decodes with releases also decodes without them.
    if (manifest && !info) std::abort();
    if (!manifest) return 0;
    for (const QString& version :
         {manifest->latest, manifest->candidate(), manifest->experimental.value_or("v1")}) {
        const QString name = tarvel::chooseArchiveName(manifest, version);
        if (tarvel::isSafeArchiveName(name) && (name.contains('/') || name.contains("\n")))
            std::abort();
        tarvel::isNewer(version, "v0.1.5-Pro-Beta");
        tarvel::displayLabel(version);
    }
    return 0;
}

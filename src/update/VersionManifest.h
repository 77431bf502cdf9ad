#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tarvel {

// version.json on the update host. Unknown keys are ignored; "latest" is required, every other
// field may be absent or null, and a field of the wrong type fails the whole document.
struct VersionManifest {
    struct Channel {
        std::optional<QString> zip;  // archive file name, relative to the download prefix
    };
    struct Releases {
        std::optional<Channel> stable;
        std::optional<Channel> beta;
        std::optional<Channel> experimental;
    };

    QString latest;
    std::optional<QString> beta;
    std::optional<QString> experimental;  // decoded, never offered
    std::optional<Releases> releases;

    // The installer reads "releases"; the check leaves it out, so a malformed one does not
    // stop an offer.
    static std::optional<VersionManifest> decode(const QByteArray& json, bool withReleases = true);

    // The version a check offers: beta when present, otherwise latest.
    QString candidate() const { return beta.value_or(latest); }
};

// Which archive to download for version `v`; "Tarvel-<v>.zip" without a manifest.
QString chooseArchiveName(const std::optional<VersionManifest>& manifest, const QString& v);

// Names joined to the private work folder: a plain file name ending in ".zip", and a version
// that makes one.
bool isSafeArchiveName(const QString& name);
bool isSafeVersion(const QString& version);

}  // namespace tarvel

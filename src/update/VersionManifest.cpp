#include "update/VersionManifest.h"

#include <QRegularExpression>
#include <nlohmann/json.hpp>

namespace tarvel {

namespace {

using Json = nlohmann::json;

struct DecodeError {};

// Absent or null: nothing; a string: its text; anything else fails the document.
std::optional<QString> optionalString(const Json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return std::nullopt;
    if (!it->is_string()) throw DecodeError{};
    return QString::fromStdString(it->get<std::string>());
}

std::optional<VersionManifest::Channel> optionalChannel(const Json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return std::nullopt;
    if (!it->is_object()) throw DecodeError{};
    return VersionManifest::Channel{optionalString(*it, "zip")};
}

const QRegularExpression& versionPattern() {
    // Anchored at the very end: "$" alone would let a trailing newline through.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern("[A-Za-z0-9][A-Za-z0-9._-]*"));
    return pattern;
}

}  // namespace

std::optional<VersionManifest> VersionManifest::decode(const QByteArray& json, bool withReleases) {
    const Json document = Json::parse(json.begin(), json.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) return std::nullopt;
    try {
        const auto latest = document.find("latest");
        if (latest == document.end() || !latest->is_string()) return std::nullopt;
        VersionManifest manifest;
        manifest.latest = QString::fromStdString(latest->get<std::string>());
        manifest.beta = optionalString(document, "beta");
        manifest.experimental = optionalString(document, "experimental");
        const auto releases = document.find("releases");
        if (withReleases && releases != document.end() && !releases->is_null()) {
            if (!releases->is_object()) return std::nullopt;
            manifest.releases =
                Releases{optionalChannel(*releases, "stable"), optionalChannel(*releases, "beta"),
                         optionalChannel(*releases, "experimental")};
        }
        return manifest;
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

QString chooseArchiveName(const std::optional<VersionManifest>& manifest, const QString& v) {
    const QString fallback = "Tarvel-" + v + ".zip";
    if (!manifest || !manifest->releases) return fallback;
    const VersionManifest& m = *manifest;
    auto zipOf = [](const std::optional<VersionManifest::Channel>& channel) {
        return channel ? channel->zip : std::nullopt;
    };
    const auto betaZip = zipOf(m.releases->beta);
    const auto stableZip = zipOf(m.releases->stable);
    const auto experimentalZip = zipOf(m.releases->experimental);
    if (betaZip && ((m.beta && v == *m.beta) || v == m.latest)) return *betaZip;
    if (stableZip && v == m.latest) return *stableZip;
    if (experimentalZip && m.experimental && v == *m.experimental) return *experimentalZip;
    if (betaZip) return *betaZip;
    return fallback;
}

bool isSafeVersion(const QString& version) {
    return versionPattern().match(version).hasMatch();
}

bool isSafeArchiveName(const QString& name) {
    return name.endsWith(".zip") && isSafeVersion(name.left(name.size() - 4));
}

}  // namespace tarvel

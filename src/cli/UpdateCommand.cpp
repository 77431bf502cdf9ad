// tarvelctl update check: what the application's launch check would offer, from the same
// manifest and the same version ordering.
#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QStringList>
#include <iostream>
#include <nlohmann/json.hpp>

#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/JsonSchema.h"
#include "shell/BuildInfo.h"
#include "shell/UpdateEndpoints.h"
#include "update/UpdateFetch.h"
#include "update/VersionOrder.h"

namespace tarvel::cli {

namespace {

std::optional<VersionManifest> fetchOnce(const QUrl& url) {
    QNetworkAccessManager network;
    QEventLoop loop;
    std::optional<VersionManifest> result;
    fetchManifest(network, url, std::nullopt, false, &loop,
                  [&](std::optional<VersionManifest> manifest) {
                      result = std::move(manifest);
                      loop.quit();
                  });
    loop.exec();
    return result;
}

}  // namespace

int runUpdate(const Args& parsed, std::ostream& out) {
    if (parsed.positional().size() != 1 || parsed.positional()[0] != "check")
        throw UsageError("expected \"check\"");
    const QString given = QString::fromStdString(parsed.value("manifest-url", UPDATE_CHECK_URL));
    const QUrl url(given, QUrl::StrictMode);
    // file: lets a release be checked before it is published.
    if (!url.isValid() || !QStringList{"https", "file"}.contains(url.scheme()))
        throw UsageError("--manifest-url needs an https or file URL");

    const auto manifest = fetchOnce(url);
    if (!manifest) {
        std::cerr << "tarvelctl update: could not fetch or read the manifest at "
                  << printable(url.toString().toStdString()) << "\n";
        return 1;
    }
    const UpdateOffer offer = offerFor(*manifest, TARVEL_VERSION);
    if (parsed.has("json")) {
        nlohmann::json json{{"current", offer.current.toStdString()},
                            {"currentLabel", displayLabel(offer.current).toStdString()},
                            {"candidate", offer.candidate.toStdString()},
                            {"candidateLabel", displayLabel(offer.candidate).toStdString()},
                            {"newer", offer.newer},
                            {"manifestUrl", url.toString().toStdString()}};
        out << withSchema(json).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
            << "\n";
        return 0;
    }
    out << "Running:   " << printable(displayLabel(offer.current).toStdString()) << "\n"
        << "Available: " << printable(displayLabel(offer.candidate).toStdString()) << "\n"
        << (offer.newer ? "Tarvel would offer this update at launch.\n"
                        : "Up to date: nothing would be offered.\n");
    return 0;
}

}  // namespace tarvel::cli

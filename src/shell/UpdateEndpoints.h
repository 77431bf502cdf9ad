#pragma once

#include <QString>
#include <QUrl>

// The update host is one setting of the build (CMake option TARVEL_UPDATE_HOST).
#ifndef TARVEL_UPDATE_HOST_NAME
#define TARVEL_UPDATE_HOST_NAME "tarvel.app"
#endif

namespace tarvel {

// Where the maker publishes updates and the product page.
inline constexpr const char* UPDATE_HOST = TARVEL_UPDATE_HOST_NAME;
inline constexpr const char* UPDATE_CHECK_URL =
    "https://" TARVEL_UPDATE_HOST_NAME "/tarvel-pro/version.json";
inline constexpr const char* UPDATE_PAGE_URL = "https://" TARVEL_UPDATE_HOST_NAME "/tarvel-pro/";

// The same places as values, so a test can point the updater at a loopback server.
struct UpdateEndpoints {
    QUrl manifest;        // version.json
    QUrl downloadPrefix;  // the archive's URL is this followed by its file name
    QUrl page;            // the product page the "Open Website" buttons open
    QString host;         // named in messages

    // `host` may carry a port ("127.0.0.1:8443").
    static UpdateEndpoints forHost(const QString& host, const QString& scheme = "https") {
        const QString base = scheme + "://" + host + "/tarvel-pro/";
        return {QUrl(base + "version.json"), QUrl(base), QUrl(base), host};
    }
    static UpdateEndpoints build() { return forHost(UPDATE_HOST); }

    // The product page as messages write it: host and "/tarvel", no scheme.
    QString pageLabel() const { return host + "/tarvel"; }
};

}  // namespace tarvel

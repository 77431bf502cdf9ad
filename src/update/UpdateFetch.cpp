#include "update/UpdateFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "update/VersionOrder.h"

namespace tarvel {

namespace {

// version.json is a few hundred bytes; anything this large is not one.
constexpr qint64 kManifestLimit = 1024 * 1024;

}  // namespace

void fetchManifest(QNetworkAccessManager& network, const QUrl& url,
                   const std::optional<QSslConfiguration>& ssl, bool withReleases, QObject* context,
                   std::function<void(std::optional<VersionManifest>)> done, int deadlineMs) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(kManifestTimeoutMs);
    if (ssl) request.setSslConfiguration(*ssl);
    QNetworkReply* reply = network.get(request);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received) {
        if (received > kManifestLimit) reply->abort();
    });
    QTimer::singleShot(deadlineMs, reply, [reply] { reply->abort(); });
    QObject::connect(reply, &QNetworkReply::finished, context,
                     [reply, withReleases, done = std::move(done)] {
                         reply->deleteLater();
                         const QByteArray body = reply->readAll();
                         if (body.isEmpty() || body.size() > kManifestLimit ||
                             reply->error() == QNetworkReply::OperationCanceledError)
                             return done({});
                         done(VersionManifest::decode(body, withReleases));
                     });
}

UpdateOffer offerFor(const VersionManifest& manifest, const QString& current) {
    const QString candidate = manifest.candidate();
    return {current, candidate, isNewer(candidate, current)};
}

}  // namespace tarvel

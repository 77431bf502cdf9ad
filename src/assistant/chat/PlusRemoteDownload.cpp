#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>

#include "assistant/chat/PlusFileDownloads.h"

namespace tarvel::PlusFileDownloads {

namespace {

// Whether the reply carries the whole of the server's answer: no error, or only the one Qt
// derives from an HTTP error status (the error page is kept like any file).
bool answeredInFull(const QNetworkReply& reply) {
    const QNetworkReply::NetworkError error = reply.error();
    if (error == QNetworkReply::NoError) return true;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 400 || status > 599) return false;
    const bool fromStatus = (error >= QNetworkReply::ContentAccessDenied &&
                             error <= QNetworkReply::UnknownContentError) ||
                            (error >= QNetworkReply::InternalServerError &&
                             error <= QNetworkReply::UnknownServerError) ||
                            error == QNetworkReply::ProtocolInvalidOperationError ||
                            error == QNetworkReply::ProxyAuthenticationRequiredError;
    return fromStatus;
}

// One link's download: the body goes to a partial file in the folder as it arrives, within
// the size and time limits, and moves to its final name only when complete.
class RemoteDownload : public QObject {
public:
    RemoteDownload(const QString& folder, const QString& name, const PlusDownloadLimits& limits,
                   std::function<void(const PlusFileResult&)> done)
        : folder_(folder), name_(name), limits_(limits), done_(std::move(done)) {}

    void start(QNetworkAccessManager& network, const QUrl& url) {
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setTransferTimeout(limits_.idleMs);
        reply_ = network.get(request);
        connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
            const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > limits_.maxBytes) tooLarge();
        });
        connect(reply_, &QNetworkReply::readyRead, this, &RemoteDownload::drain);
        connect(reply_, &QNetworkReply::finished, this, &RemoteDownload::complete);
        QTimer::singleShot(limits_.totalMs, this, [this] { finish({{}, "Download timed out"}); });
    }

private:
    // The partial file is opened with the first bytes, so a download waiting for its server
    // holds no file open.
    bool opened() {
        if (part_.isOpen()) return true;
        QDir().mkpath(folder_);
        part_.setFileTemplate(folder_ + "/.tarvel-XXXXXX.part");
        if (part_.open()) return true;
        finish({{}, "Could not write to Downloads: " + part_.errorString()});
        return false;
    }

    void drain() {
        if (!reply_) return;
        const QByteArray chunk = reply_->readAll();
        if (chunk.isEmpty()) return;
        if (written_ + chunk.size() > limits_.maxBytes) return tooLarge();
        if (!opened()) return;
        if (part_.write(chunk) != chunk.size())
            return finish({{}, "Could not write to Downloads: " + part_.errorString()});
        written_ += chunk.size();
    }

    void tooLarge() {
        const qint64 cap = limits_.maxBytes;
        finish({{},
                "Download too large (over " +
                    (cap >= 1'000'000 ? QString::number(cap / 1'000'000) + " MB"
                                      : QString::number(cap) + " bytes") +
                    ")"});
    }

    void complete() {
        // The server's answer is saved whatever its status; a transfer cut short, a refused
        // redirect or any other failure on the way is an error, and the partial file goes.
        if (!answeredInFull(*reply_)) return finish({{}, reply_->errorString()});
        drain();
        if (!reply_ || !opened()) return;
        if (!part_.flush()) return finish({{}, part_.errorString()});
        part_.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                             QFile::ReadOther);
        const PlusFileResult placed = placeWithoutOverwrite(part_.fileName(), folder_, name_);
        if (placed.ok()) part_.setAutoRemove(false);
        finish(placed);
    }

    void finish(const PlusFileResult& result) {
        if (finished_) return;
        finished_ = true;
        if (reply_) {
            reply_->disconnect(this);
            reply_->abort();
            reply_->deleteLater();
            reply_ = nullptr;
        }
        part_.close();
        if (done_) done_(result);
        deleteLater();
    }

    QString folder_;
    QString name_;
    PlusDownloadLimits limits_;
    std::function<void(const PlusFileResult&)> done_;
    QTemporaryFile part_;  // removed with the download unless it was moved into place
    QPointer<QNetworkReply> reply_;
    qint64 written_ = 0;
    bool finished_ = false;
};

}  // namespace

void downloadRemote(QNetworkAccessManager& network, const QString& folder, const QString& urlString,
                    const PlusDownloadLimits& limits,
                    std::function<void(const PlusFileResult&)> done) {
    const QUrl url(urlString, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "http" && scheme != "https") || url.host().isEmpty()) {
        QTimer::singleShot(0, &network, [done = std::move(done)] {
            if (done) done({{}, "Not a downloadable URL"});
        });
        return;
    }
    auto* download =
        new RemoteDownload(folder, fileNameForLink(urlString), limits, std::move(done));
    download->setParent(&network);
    download->start(network, url);
}

}  // namespace tarvel::PlusFileDownloads

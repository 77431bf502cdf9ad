#include "LoopbackHttps.h"

#include <QFile>
#include <QSslKey>
#include <QSslSocket>

namespace tarvel::test {

namespace {

QByteArray fixture(const char* name) {
    QFile file(QString(TARVEL_FIXTURES_DIR) + "/update/" + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

LoopbackHttps::LoopbackHttps() {
    certificate_ = QSslCertificate(fixture("loopback-cert.pem"), QSsl::Pem);
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(certificate_);
    config.setPrivateKey(QSslKey(fixture("loopback-key.pem"), QSsl::Rsa, QSsl::Pem));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    server_.setSslConfiguration(config);
    connect(&server_, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* next = server_.nextPendingConnection()) {
            auto* socket = static_cast<QSslSocket*>(next);
            connect(socket, &QSslSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->bytesAvailable() > 0) answer(socket);
        }
    });
}

bool LoopbackHttps::listen() {
    return server_.listen(QHostAddress::LocalHost, 0);
}

QString LoopbackHttps::host() const {
    return "127.0.0.1:" + QString::number(server_.serverPort());
}

void LoopbackHttps::serve(const QByteArray& path, const QByteArray& body, int status) {
    routes_[path] = {status, body};
}

QSslConfiguration LoopbackHttps::clientConfiguration() const {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates({certificate_});
    return config;
}

void LoopbackHttps::answer(QSslSocket* socket) {
    if (!socket->property("request").isNull()) return;  // answered already
    const QByteArray head = socket->peek(socket->bytesAvailable());
    if (!head.contains("\r\n\r\n")) return;
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QByteArray path = requestLine.value(1);
    socket->setProperty("request", path);
    requests_ << QString::fromUtf8(path);
    const auto route = routes_.find(path);
    const int status = route == routes_.end() ? 404 : route->second.first;
    const QByteArray body = route == routes_.end() ? QByteArray("not here") : route->second.second;
    socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}

}  // namespace tarvel::test

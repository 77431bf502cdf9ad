#include "support/LoopbackHttpServer.h"

#include <QHostAddress>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <memory>
#include <optional>

#include "support/FixtureTree.h"

namespace tarvel::test {

namespace {

// A whole request at the start of `buffer`, or nothing while more bytes are due.
std::optional<LoopbackHttpServer::Request> parse(const QByteArray& buffer) {
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) return std::nullopt;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    LoopbackHttpServer::Request request;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.append(
                {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    const qsizetype length = request.header("Content-Length").toLongLong();
    const qsizetype bodyStart = headEnd + 4;
    if (buffer.size() - bodyStart < length) return std::nullopt;
    request.body = buffer.mid(bodyStart, length);
    return request;
}

QByteArray fixture(const char* name) {
    return QByteArray::fromStdString(fixtureText(std::string("loopback/") + name));
}

QByteArray serialized(const LoopbackHttpServer::Response& response) {
    if (!response.raw.isEmpty()) return response.raw;
    // Clients go by the status code; the reason phrase is free text.
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    out += "Connection: close\r\n";
    for (const auto& [name, value] : response.headers) out += name + ": " + value + "\r\n";
    return out + "\r\n" + response.body;
}

}  // namespace

QByteArray LoopbackHttpServer::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

bool LoopbackHttpServer::Request::hasHeader(const QByteArray& name) const {
    for (const auto& header : headers)
        if (header.first.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString LoopbackHttpServer::Request::path() const {
    const qsizetype query = target.indexOf('?');
    return QString::fromUtf8(query < 0 ? target : target.left(query));
}

LoopbackHttpServer::LoopbackHttpServer(Mode mode) : mode_(mode) {
    if (mode == Tls) {
        auto ssl = std::make_unique<QSslServer>();
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(fixture("loopback-cert.pem"), QSsl::Pem));
        config.setPrivateKey(QSslKey(fixture("loopback-key.pem"), QSsl::Rsa, QSsl::Pem));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        ssl->setSslConfiguration(config);
        server_ = std::move(ssl);
    } else {
        server_ = std::make_unique<QTcpServer>();
    }
    // After the handshake with Tls.
    QObject::connect(server_.get(), &QTcpServer::pendingConnectionAvailable, server_.get(),
                     [this] { accept(); });
    server_->listen(QHostAddress::LocalHost, 0);
}

LoopbackHttpServer::~LoopbackHttpServer() {
    server_->close();
}

QUrl LoopbackHttpServer::url() const {
    return QUrl(
        QStringLiteral("%1://127.0.0.1:%2").arg(mode_ == Tls ? "https" : "http").arg(port()));
}

QSslConfiguration LoopbackHttpServer::clientConfiguration() const {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates({QSslCertificate(fixture("loopback-cert.pem"), QSsl::Pem)});
    return config;
}

void LoopbackHttpServer::accept() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        struct Connection {
            QByteArray buffer;
            bool answered = false;
        };
        auto connection = std::make_shared<Connection>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket, connection] {
            connection->buffer.append(socket->readAll());
            if (connection->answered) return;
            const auto request = parse(connection->buffer);
            if (!request) return;
            connection->answered = true;
            requests_.append(*request);
            const Response response = answerFor(*request);
            if (response.silent) return;
            socket->write(serialized(response));
            socket->disconnectFromHost();
        };
        QObject::connect(socket, &QTcpSocket::readyRead, socket, read);
        if (socket->bytesAvailable() > 0) read();  // arrived during the handshake
    }
}

LoopbackHttpServer::Response LoopbackHttpServer::answerFor(const Request& request) const {
    if (handler_) return handler_(request);
    const auto found = routes_.find(request.path());
    if (found != routes_.end()) return found->second;
    return Response::answer(404, "no route");
}

}  // namespace tarvel::test

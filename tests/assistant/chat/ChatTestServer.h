#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace tarvel::test {

// An HTTP/1.1 server on the loopback interface that answers each path with a fixed response
// and keeps every request it was sent.
class ChatTestServer : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray body;
    };
    struct Request {
        QByteArray path;
        QByteArray body;
    };

    ChatTestServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url(const QString& path = {}) const {
        return QUrl(QString("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    void route(const QByteArray& path, Response response) { routes_[path] = std::move(response); }
    const QList<Request>& requests() const { return requests_; }

private:
    void serve(QTcpSocket* socket) {
        QByteArray& buffer = buffers_[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) return;
        const QByteArray head = buffer.left(headerEnd);
        qsizetype length = 0;
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (buffer.size() < headerEnd + 4 + length) return;
        const QList<QByteArray> requestLine = head.left(head.indexOf('\r')).split(' ');
        const QByteArray path = requestLine.value(1);
        requests_.append({path, buffer.mid(headerEnd + 4, length)});
        buffers_.remove(socket);
        const Response response = routes_.value(path, Response{404, "not found"});
        socket->write("HTTP/1.1 " + QByteArray::number(response.status) + " Answer\r\n" +
                      "Content-Type: application/octet-stream\r\nContent-Length: " +
                      QByteArray::number(response.body.size()) +
                      "\r\nConnection: close\r\n\r\n" + response.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QMap<QByteArray, Response> routes_;
    QMap<QTcpSocket*, QByteArray> buffers_;
    QList<Request> requests_;
};

}  // namespace tarvel::test

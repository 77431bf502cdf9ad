#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace tarvel::test {

// A loopback HTTP server standing in for the forecast service: it records each request's
// target and answers every request with the current canned response, then closes.
class ForecastServer : public QObject {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        bool silent = false;  // never answers
    };

    ForecastServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }

    QUrl url() const { return QUrl(QString("http://127.0.0.1:%1").arg(server_.serverPort())); }
    void setAnswer(Answer answer) { answer_ = std::move(answer); }
    // The request targets ("/v1/forecast?…") in the order they came.
    const QStringList& targets() const { return targets_; }

private:
    void read(QTcpSocket* socket) {
        QByteArray seen = socket->property("seen").toByteArray() + socket->readAll();
        socket->setProperty("seen", seen);
        if (!seen.contains("\r\n\r\n") || socket->property("answered").toBool()) return;
        socket->setProperty("answered", true);
        const QList<QByteArray> requestLine = seen.left(seen.indexOf("\r\n")).split(' ');
        targets_ << QString::fromLatin1(requestLine.value(1));
        if (answer_.silent) return;
        socket->write("HTTP/1.1 " + QByteArray::number(answer_.status) +
                      " Canned\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(answer_.body.size()) + "\r\nConnection: close\r\n\r\n" +
                      answer_.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    Answer answer_;
    QStringList targets_;
};

}  // namespace tarvel::test

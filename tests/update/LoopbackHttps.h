#pragma once

#include <QByteArray>
#include <QSslConfiguration>
#include <QSslServer>
#include <QStringList>
#include <map>

namespace tarvel::test {

// A small HTTPS server on 127.0.0.1 with a self-signed certificate (tests/fixtures/update)
// that only clientConfiguration() trusts. Answers GET requests from a table of paths, one
// request per connection.
class LoopbackHttps : public QObject {
    Q_OBJECT

public:
    LoopbackHttps();

    bool listen();
    QString host() const;  // "127.0.0.1:port"
    void serve(const QByteArray& path, const QByteArray& body, int status = 200);
    QSslConfiguration clientConfiguration() const;

    const QStringList& requests() const { return requests_; }

private:
    void answer(QSslSocket* socket);

    QSslServer server_;
    QSslCertificate certificate_;
    std::map<QByteArray, std::pair<int, QByteArray>> routes_;
    QStringList requests_;
};

}  // namespace tarvel::test

#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSslConfiguration>
#include <QString>
#include <QTcpServer>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>

namespace tarvel::test {

// A fake web service on 127.0.0.1 (a free port) for clients under test: answers each request
// from a handler or a fixed route and records what was asked. One answer per connection
// (Connection: close). Runs on the test's event loop; wait for answers with waitUntil.
// With Tls, it speaks HTTPS with a self-signed certificate (tests/fixtures/loopback) that
// only clientConfiguration() trusts.
class LoopbackHttpServer {
public:
    enum Mode { Plain, Tls };

    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request {
        QByteArray method;
        QByteArray target;  // path and query, as sent
        Headers headers;    // in the order sent
        QByteArray body;
        // The first header of that name (case-insensitive); empty when absent.
        QByteArray header(const QByteArray& name) const;
        bool hasHeader(const QByteArray& name) const;
        QString path() const;  // the target without its query
    };

    struct Response {
        int status = 200;
        Headers headers;
        QByteArray body;
        bool silent = false;  // accept the request but never answer (for time limits)
        QByteArray raw;       // sent as is instead of a proper answer when not empty

        static Response answer(int status, QByteArray body, Headers headers = {}) {
            Response response;
            response.status = status;
            response.body = std::move(body);
            response.headers = std::move(headers);
            return response;
        }
        static Response noAnswer() {
            Response response;
            response.silent = true;
            return response;
        }
        static Response rawAnswer(QByteArray bytes) {
            Response response;
            response.raw = std::move(bytes);
            return response;
        }
    };

    using Handler = std::function<Response(const Request&)>;

    explicit LoopbackHttpServer(Mode mode = Plain);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool listening() const { return server_->isListening(); }
    quint16 port() const { return server_->serverPort(); }
    // "http://127.0.0.1:<port>", or https with Tls
    QUrl url() const;
    // Trusts this server's certificate (Tls).
    QSslConfiguration clientConfiguration() const;

    // Answers every request; takes precedence over routes.
    void setHandler(Handler handler) { handler_ = std::move(handler); }
    // Answers requests for `path` (the query ignored); others get 404.
    void route(const QString& path, Response response) { routes_[path] = std::move(response); }

    const QList<Request>& requests() const { return requests_; }

private:
    void accept();
    Response answerFor(const Request& request) const;

    Mode mode_;
    std::unique_ptr<QTcpServer> server_;
    Handler handler_;
    std::map<QString, Response> routes_;
    QList<Request> requests_;
};

}  // namespace tarvel::test

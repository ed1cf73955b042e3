#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QTcpSocket;

// One HTTP/1.1 request as it arrived: method, target (path and query),
// headers in their order, and the body that Content-Length announced.
struct HttpRequest {
    QByteArray method;
    QByteArray target;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first header of that name (compared without regard to case).
    QByteArray header(const QByteArray &name) const;
    QByteArray path() const;
};

// What to do with a request. Besides answering, a server can stay silent with
// the connection open or hang up without a word, as broken servers do.
struct HttpResponse {
    enum class Action { Answer, StaySilent, HangUp };

    Action action = Action::Answer;
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    static HttpResponse text(int status, const QByteArray &body,
                             const QByteArray &contentType = "text/plain; charset=utf-8");
    static HttpResponse redirect(int status, const QByteArray &location);
    static HttpResponse silence();
    static HttpResponse hangUp();
};

// A very small HTTP/1.1 server on the loopback interface: it reads one request
// per connection (request line, headers, a Content-Length body), hands it to
// the handler and sends the handler's answer with "Connection: close".
// Enough for a stand-in of a web site and for tests; not for the open network.
class MiniHttpServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    static constexpr int maxHeaderBytes = 16 * 1024;
    static constexpr int maxBodyBytes = 1024 * 1024;

    explicit MiniHttpServer(Handler handler, QObject *parent = nullptr);

    // Listens on 127.0.0.1 only; port 0 picks a free one.
    bool listen(quint16 port = 0);
    quint16 port() const;
    QUrl url() const;
    QString errorString() const;

private:
    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const HttpResponse &response);

    Handler handler;
    QTcpServer server;
};

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
// the connection open or hang up without a word, as broken servers do, or
// misbehave as a hostile one might: send bytes that are no HTTP at all, an
// answer whose body never ends, or an answer one byte at a time.
struct HttpResponse {
    enum class Action { Answer, StaySilent, HangUp, SendRaw, Endless };

    Action action = Action::Answer;
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // Answer: when above 0, the head goes at once and then each byte of the
    // body waits this long.
    int trickleIntervalMs = 0;

    static HttpResponse text(int status, const QByteArray &body,
                             const QByteArray &contentType = "text/plain; charset=utf-8");
    static HttpResponse redirect(int status, const QByteArray &location);
    static HttpResponse silence();
    static HttpResponse hangUp();
    // These bytes as they are, then the connection is closed.
    static HttpResponse raw(const QByteArray &bytes);
    // A 200 answer without a length whose body repeats `chunk` until the
    // client hangs up.
    static HttpResponse endless(const QByteArray &chunk);
    // A 200 answer whose body comes one byte every `intervalMs`.
    static HttpResponse trickle(const QByteArray &body, int intervalMs);
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
    static void sendEndlessly(QTcpSocket *socket, const QByteArray &chunk);
    static void sendSlowly(QTcpSocket *socket, const QByteArray &bytes, int intervalMs);

    Handler handler;
    QTcpServer server;
};

#include "minihttpserver.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

const QByteArray endOfHead = "\r\n\r\n";

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

// The bytes a connection has sent so far, until its request is complete.
const char pendingProperty[] = "pendingRequestBytes";
const char answeredProperty[] = "requestAnswered";

} // namespace

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &field : headers) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return {};
}

QByteArray HttpRequest::path() const
{
    const int query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

HttpResponse HttpResponse::text(int status, const QByteArray &body, const QByteArray &contentType)
{
    HttpResponse response;
    response.status = status;
    response.body = body;
    response.headers.append({"Content-Type", contentType});
    return response;
}

HttpResponse HttpResponse::redirect(int status, const QByteArray &location)
{
    HttpResponse response = text(status, "Moved\n");
    response.headers.append({"Location", location});
    return response;
}

HttpResponse HttpResponse::silence()
{
    HttpResponse response;
    response.action = Action::StaySilent;
    return response;
}

HttpResponse HttpResponse::hangUp()
{
    HttpResponse response;
    response.action = Action::HangUp;
    return response;
}

HttpResponse HttpResponse::raw(const QByteArray &bytes)
{
    HttpResponse response;
    response.action = Action::SendRaw;
    response.body = bytes;
    return response;
}

HttpResponse HttpResponse::endless(const QByteArray &chunk)
{
    HttpResponse response = text(200, chunk);
    response.action = Action::Endless;
    return response;
}

HttpResponse HttpResponse::trickle(const QByteArray &body, int intervalMs)
{
    HttpResponse response = text(200, body);
    response.trickleIntervalMs = intervalMs;
    return response;
}

MiniHttpServer::MiniHttpServer(Handler handler, QObject *parent)
    : QObject(parent)
    , handler(std::move(handler))
{
    connect(&server, &QTcpServer::newConnection, this, &MiniHttpServer::acceptConnections);
}

bool MiniHttpServer::listen(quint16 port)
{
    return server.listen(QHostAddress::LocalHost, port);
}

quint16 MiniHttpServer::port() const
{
    return server.serverPort();
}

QUrl MiniHttpServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port()));
}

QString MiniHttpServer::errorString() const
{
    return server.errorString();
}

void MiniHttpServer::acceptConnections()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void MiniHttpServer::readFrom(QTcpSocket *socket)
{
    if (socket->property(answeredProperty).toBool()) {
        socket->readAll();
        return;
    }
    QByteArray bytes = socket->property(pendingProperty).toByteArray() + socket->readAll();
    socket->setProperty(pendingProperty, bytes);

    const int headLength = bytes.indexOf(endOfHead);
    if (headLength < 0) {
        if (bytes.size() > maxHeaderBytes)
            respond(socket, HttpResponse::text(431, "Request header too large\n"));
        return;
    }

    HttpRequest request;
    const QList<QByteArray> lines = bytes.left(headLength).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
        respond(socket, HttpResponse::text(400, "Malformed request line\n"));
        return;
    }
    request.method = requestLine[0];
    request.target = requestLine[1];
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon <= 0) {
            respond(socket, HttpResponse::text(400, "Malformed header\n"));
            return;
        }
        request.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }

    if (!request.header("Transfer-Encoding").isEmpty()) {
        respond(socket, HttpResponse::text(411, "Send a Content-Length\n"));
        return;
    }
    qint64 bodyLength = 0;
    const QByteArray declaredLength = request.header("Content-Length");
    if (!declaredLength.isEmpty()) {
        bool ok = false;
        bodyLength = declaredLength.toLongLong(&ok);
        if (!ok || bodyLength < 0) {
            respond(socket, HttpResponse::text(400, "Bad Content-Length\n"));
            return;
        }
        if (bodyLength > maxBodyBytes) {
            respond(socket, HttpResponse::text(413, "Body too large\n"));
            return;
        }
    }
    const int bodyStart = headLength + endOfHead.size();
    if (bytes.size() - bodyStart < bodyLength)
        return; // the rest of the body is still on its way

    request.body = bytes.mid(bodyStart, int(bodyLength));
    respond(socket, handler(request));
}

void MiniHttpServer::respond(QTcpSocket *socket, const HttpResponse &response)
{
    socket->setProperty(answeredProperty, true);
    socket->setProperty(pendingProperty, QVariant());
    switch (response.action) {
    case HttpResponse::Action::StaySilent: return;
    case HttpResponse::Action::HangUp: socket->disconnectFromHost(); return;
    case HttpResponse::Action::SendRaw:
        socket->write(response.body);
        socket->disconnectFromHost();
        return;
    case HttpResponse::Action::Endless:
    case HttpResponse::Action::Answer: break;
    }

    const bool endless = response.action == HttpResponse::Action::Endless;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
                      + reasonPhrase(response.status) + "\r\n";
    for (const auto &field : response.headers)
        head += field.first + ": " + field.second + "\r\n";
    if (!endless) // without a length the body ends when the connection does
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";

    if (endless) {
        socket->write(head);
        sendEndlessly(socket, response.body);
    } else if (response.trickleIntervalMs > 0) {
        socket->write(head);
        sendSlowly(socket, response.body, response.trickleIntervalMs);
    } else {
        socket->write(head + response.body);
        socket->disconnectFromHost();
    }
}

// Keeps a little data queued for the client and tops it up as it drains, so
// that the server itself stays small however long the client reads.
void MiniHttpServer::sendEndlessly(QTcpSocket *socket, const QByteArray &chunk)
{
    const QByteArray block = chunk.isEmpty() ? QByteArray("x") : chunk;
    const QByteArray data = block.repeated(qMax<qsizetype>(1, 16 * 1024 / block.size()));
    auto topUp = [socket, data] {
        while (socket->state() == QAbstractSocket::ConnectedState
               && socket->bytesToWrite() < 4 * data.size())
            socket->write(data);
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
    topUp();
}

void MiniHttpServer::sendSlowly(QTcpSocket *socket, const QByteArray &bytes, int intervalMs)
{
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    connect(timer, &QTimer::timeout, socket, [socket, timer, bytes, sent] {
        if (*sent >= bytes.size()) {
            timer->stop();
            socket->disconnectFromHost();
            return;
        }
        socket->write(bytes.mid((*sent)++, 1));
    });
    timer->start(intervalMs);
}

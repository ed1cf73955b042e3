#pragma once

#include "minihttpserver.h"

#include <QTcpServer>
#include <QTest>

#include <functional>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

// A web server on 127.0.0.1 for one test: it answers every request as told,
// keeps the requests it saw, and can run a check while the client waits.
class HttpTestServer
{
public:
    HttpTestServer()
        : server([this](const HttpRequest &request) { return handle(request); })
    {
        if (!server.listen())
            qFatal("test server cannot listen: %s", qPrintable(server.errorString()));
    }

    QUrl url() const { return server.url(); }

    // The answer to every request from now on, unless the path has its own.
    void answer(const HttpResponse &response) { defaultResponse = response; }
    void answer(const QByteArray &path, const HttpResponse &response)
    {
        responsesByPath.append({path, response});
    }

    QList<HttpRequest> requests;
    // Runs when a request has arrived, before it is answered.
    std::function<void(const HttpRequest &)> onRequest;

private:
    HttpResponse handle(const HttpRequest &request)
    {
        requests << request;
        if (onRequest)
            onRequest(request);
        for (const auto &entry : responsesByPath) {
            if (entry.first == request.path())
                return entry.second;
        }
        return defaultResponse;
    }

    HttpResponse defaultResponse = HttpResponse::text(200, "OK\n");
    QList<QPair<QByteArray, HttpResponse>> responsesByPath;
    MiniHttpServer server;
};

// The most memory the test program has used so far, in KiB (0 where unknown):
// a client that reads without bound shows here however the server behaves.
inline qint64 peakMemoryKiB()
{
#ifdef Q_OS_LINUX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return 0;
#endif
}

// An address on 127.0.0.1 where nothing listens, so connections are refused.
inline QUrl refusingAddress()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        qFatal("no free port");
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
}

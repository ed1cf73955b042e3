#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

const QByteArray showRequest = "show\n";
const QByteArray shownAnswer = "shown\n";

// Where the socket and the start-up lock go: the user's own runtime folder
// where there is one, so that no other user can take the name first.
QString socketFolder()
{
#ifdef Q_OS_UNIX
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
#endif
    return QDir::tempPath();
}

} // namespace

SingleInstance::SingleInstance(const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , name(serverName(dataFolder))
{
    connect(&server, &QLocalServer::newConnection, this, &SingleInstance::answerLaterStarts);
}

QString SingleInstance::serverName(const QString &dataFolder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    const QString base = QStringLiteral("metrino-") + QString::fromLatin1(hash);
#ifdef Q_OS_UNIX
    return socketFolder() + QLatin1Char('/') + base;
#else
    return base; // a named pipe, which lives in no folder
#endif
}

bool SingleInstance::claim()
{
    // Two starts at the same moment take turns; the lock of a copy that
    // crashed while starting is taken over.
    QLockFile starting(socketFolder() + QLatin1Char('/') + QFileInfo(name).fileName()
                       + QStringLiteral(".lock"));
    starting.tryLock(5000);

    if (askRunningCopyToShow())
        return false;
    // Nobody answered: a socket left behind by a copy that crashed is stale.
    QLocalServer::removeServer(name);
    server.setSocketOptions(QLocalServer::UserAccessOption);
    // Should listening fail, this copy runs all the same: refusing to start
    // would help nobody.
    server.listen(name);
    return true;
}

bool SingleInstance::askRunningCopyToShow()
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(showRequest);
    socket.waitForBytesWritten(1000);
    // The answer tells that the running copy took the request; a copy that
    // does not answer still runs, and this one must not start beside it.
    socket.waitForReadyRead(3000);
    return true;
}

void SingleInstance::answerLaterStarts()
{
    while (QLocalSocket *socket = server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > showRequest.size())
                    socket->abort();
                return;
            }
            if (socket->readLine(showRequest.size() + 1) == showRequest) {
                emit shownAgain();
                socket->write(shownAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

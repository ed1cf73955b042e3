#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

const QByteArray showRequest = "show\n";
const QByteArray shownAnswer = "shown\n";

// Where the socket goes: the user's own runtime folder
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
    , lock(dataFolder + QStringLiteral("/list.xml.lock"))
{
    // Held for as long as the copy runs: only a copy that is gone, which the
    // lock file tells by its process id, leaves it stale.
    lock.setStaleLockTime(0);
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
    QDir().mkpath(QFileInfo(lock.fileName()).absolutePath());
    if (!lock.tryLock()) {
        if (lock.error() != QLockFile::LockFailedError) {
            // No lock can be made in the data folder (it is read-only, say):
            // the socket alone keeps a second copy out, and refusing to start
            // would help nobody.
            if (askRunningCopyToShow(1500))
                return false;
        } else if (askRunningCopyToShow(1500) || !lock.tryLock(1500)) {
            // Another copy runs. Should it not answer, it may just be ending
            // and saving: this one starts if it lets go of the lock soon.
            return false;
        }
    }
    // A socket left behind by a copy that crashed is stale.
    QLocalServer::removeServer(name);
    server.setSocketOptions(QLocalServer::UserAccessOption);
    // Should listening fail, this copy runs all the same: the lock keeps
    // other copies out.
    server.listen(name);
    return true;
}

// Waits at most timeout milliseconds in all for the running copy's answer.
bool SingleInstance::askRunningCopyToShow(int timeout)
{
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(showRequest);
    socket.waitForBytesWritten(int(deadline.remainingTime()));
    while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    return socket.readLine(shownAnswer.size() + 1) == shownAnswer;
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

#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

const QByteArray showRequest = "show\n";
const QByteArray shownAnswer = "shown\n";

// A lock file of another computer (a home folder on a network share) that
// has not been touched for this long is left from a copy that is gone: a
// running copy touches its lock file every refreshMs.
const qint64 otherHostStaleMs = 5 * 60 * 1000;
const int refreshMs = 60 * 1000;
// A lock file that tells no owner is being written by a copy that has just
// made it, or is left half-written: this long after its making, the latter.
const qint64 unreadableStaleMs = 2000;

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
    , folder(dataFolder)
    , lock(dataFolder + QStringLiteral("/list.xml.lock"))
    , channel(showRequest, shownAnswer)
{
    // Held for as long as the copy runs: only a copy that is gone, which the
    // lock file tells by its process id, leaves it stale.
    lock.setStaleLockTime(0);
    connect(&channel, &LocalChannel::requested, this, &SingleInstance::shownAgain);
    connect(&freshness, &QTimer::timeout, this, [this] {
        if (lock.isLocked())
            QFile(lock.fileName())
                .setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    });
}

SingleInstance::~SingleInstance()
{
#ifdef Q_OS_UNIX
    if (folderHandle >= 0)
        ::close(folderHandle);
#endif
}

QString SingleInstance::serverName(const QString &dataFolder)
{
    // Every spelling of the folder gives the same name: through a link, with
    // a closing separator, and under Windows in any case.
    const QString canonical = QFileInfo(dataFolder).canonicalFilePath();
    QString spelling = QDir::cleanPath(canonical.isEmpty() ? dataFolder : canonical);
#ifdef Q_OS_WIN
    spelling = spelling.toCaseFolded();
#endif
    const QByteArray hash =
        QCryptographicHash::hash(spelling.toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    const QString base = QStringLiteral("metrino-") + QString::fromLatin1(hash);
#ifdef Q_OS_UNIX
    return socketFolder() + QLatin1Char('/') + base;
#else
    return base; // a named pipe, which lives in no folder
#endif
}

// The lock file alone cannot tell a copy that is gone from one that runs
// when it names no process (left empty by a power cut), names another
// computer, or cannot be made (a read-only data folder). Where the system
// has them, a lock on the data folder itself, which ends with the process
// that holds it, tells for sure on this computer.
SingleInstance::Claim SingleInstance::claim()
{
    if (!clearOddLockFile())
        return Claim::Blocked;
    const FolderLock folderLock = lockFolder();
    if (folderLock != FolderLock::Busy) {
        if (lock.tryLock())
            return start();
        // No lock file can be made (a read-only folder): the folder's lock,
        // or else the socket alone, keeps a second copy out.
        if (lock.error() != QLockFile::LockFailedError) {
            if (folderLock == FolderLock::Held || !askRunningCopyToShow(1500))
                return start();
            return Claim::Shown;
        }
        if (lockFileIsStale(folderLock == FolderLock::Held) && lock.removeStaleLockFile()
            && lock.tryLock())
            return start();
    }
    if (askRunningCopyToShow(1500))
        return Claim::Shown;
    // Should the other copy not answer, it may just be ending and saving:
    // this one starts if it lets go of the list soon.
    if (lockWithin(1500, folderLock == FolderLock::Busy))
        return start();
    reason = tr("Το Φ.Π.Α. μετρίνο τρέχει ήδη με την ίδια λίστα, αλλά δεν απαντά. Κλείστε το "
                "ανοιχτό πρόγραμμα και ξεκινήστε το ξανά.");
    qint64 pid = 0;
    QString host, application;
    if (folderLock != FolderLock::Busy && lock.getLockInfo(&pid, &host, &application)
        && !host.isEmpty() && host != QSysInfo::machineHostName()) {
        reason = tr("Η λίστα είναι ανοιχτή στο Φ.Π.Α. μετρίνο σε άλλον υπολογιστή (%1). Κλείστε "
                    "το εκεί και ξεκινήστε το ξανά εδώ.")
                     .arg(host);
    }
    return Claim::Blocked;
}

SingleInstance::Claim SingleInstance::start()
{
    freshness.start(refreshMs);
    // Should listening fail, this copy runs all the same: the lock keeps
    // other copies out.
    channel.listen(name);
    return Claim::Claimed;
}

SingleInstance::FolderLock SingleInstance::lockFolder()
{
#ifdef Q_OS_UNIX
    if (folderHandle < 0) {
        folderHandle =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (folderHandle < 0)
        return FolderLock::Unsupported;
    if (::flock(folderHandle, LOCK_EX | LOCK_NB) == 0)
        return FolderLock::Held;
    if (errno == EWOULDBLOCK)
        return FolderLock::Busy;
    // A network share may not lock folders.
    ::close(folderHandle);
    folderHandle = -1;
#endif
    return FolderLock::Unsupported;
}

// Nothing but a plain file of the lock's name is ever opened: a FIFO would
// wait for a writer for ever, and a link could lead anywhere. What no copy
// makes is removed, the name alone (the target of a link stays as it is); a
// folder only when it is empty.
bool SingleInstance::clearOddLockFile()
{
    const QFileInfo file(lock.fileName());
    if (!file.isSymLink() && (!file.exists() || file.isFile()))
        return true;
    const bool removed = file.isDir() && !file.isSymLink() ? QDir().rmdir(file.filePath())
                                                           : QFile::remove(file.filePath());
    if (!removed) {
        reason = tr("Η λίστα δεν μπορεί να κλειδωθεί για το πρόγραμμα, γιατί στη θέση του "
                    "αρχείου %1 υπάρχει κάτι άλλο (ένας φάκελος, ίσως). Μετακινήστε το και "
                    "ξεκινήστε ξανά το πρόγραμμα.")
                     .arg(QDir::toNativeSeparators(file.filePath()));
    }
    return removed;
}

// The toolkit already takes over the lock file of a process of this computer
// that has gone. The rest: one that tells no owner, and one of another
// computer that has not been touched for long. With the folder's lock held,
// no copy of this computer can hold the lock file.
bool SingleInstance::lockFileIsStale(bool folderHeld)
{
    const QFileInfo file(lock.fileName());
    if (!file.isFile() || file.isSymLink())
        return false;
    const qint64 age = qAbs(file.lastModified().msecsTo(QDateTime::currentDateTime()));
    qint64 pid = 0;
    QString host, application;
    if (!lock.getLockInfo(&pid, &host, &application) || pid <= 0)
        return folderHeld || age > unreadableStaleMs;
    if (host.isEmpty() || host == QSysInfo::machineHostName())
        return folderHeld;
    return age > otherHostStaleMs;
}

// Tries for the lock until the timeout; a lock file found stale on the way
// is taken over.
bool SingleInstance::lockWithin(int timeout, bool folderBusy)
{
    const QDeadlineTimer deadline(timeout);
    do {
        const FolderLock folderLock = folderBusy ? lockFolder() : FolderLock::Unsupported;
        if (folderLock != FolderLock::Busy) {
            if (lock.tryLock()
                || (lockFileIsStale(folderLock == FolderLock::Held) && lock.removeStaleLockFile()
                    && lock.tryLock()))
                return true;
        }
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}

// Waits at most timeout milliseconds in all for the running copy's answer.
bool SingleInstance::askRunningCopyToShow(int timeout)
{
    return LocalChannel::ask(name, showRequest, shownAnswer, timeout);
}

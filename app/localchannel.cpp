#include "localchannel.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <functional>

#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#include <qt_windows.h>
#else
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

// What is read at a time; no line that is heard is longer.
constexpr int chunkSize = 64;

// Hears a caller's bytes into its line: see LocalChannel::answerTo().
using Hearing = std::function<std::optional<QByteArray>(QByteArray &, const char *, qint64)>;

// For poll() and the Windows waits alike, -1 is for ever.
int remainingMs(const QDeadlineTimer &deadline)
{
    if (deadline.isForever())
        return -1;
    return int(qBound(qint64(0), deadline.remainingTime(), qint64(24 * 3600 * 1000)));
}

} // namespace

#ifndef Q_OS_WIN

namespace {

bool addressFor(const QString &path, sockaddr_un *address)
{
    const QByteArray name = QFile::encodeName(path);
    *address = {};
    address->sun_family = AF_UNIX;
    if (name.isEmpty() || size_t(name.size()) >= sizeof address->sun_path)
        return false;
    std::copy(name.cbegin(), name.cend(), address->sun_path);
    return true;
}

int newSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// Waits for the socket to be ready for the events, at most until the deadline.
bool waitFor(int socket, short events, const QDeadlineTimer &deadline)
{
    pollfd watched{socket, events, 0};
    int ready;
    do {
        ready = ::poll(&watched, 1, remainingMs(deadline));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool connectWithin(int socket, const sockaddr_un &address, const QDeadlineTimer &deadline)
{
    for (;;) {
        if (::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            return true;
        // A full queue of callers: the running copy may soon take them.
        if ((errno != EAGAIN && errno != EINTR) || deadline.hasExpired())
            return false;
        ::poll(nullptr, 0, qMin(10, remainingMs(deadline)));
    }
}

// One caller of the running copy, heard until its line is complete.
class Caller : public QObject
{
public:
    Caller(int socket, Hearing hear, QObject *parent)
        : QObject(parent)
        , socket(socket)
        , notifier(socket, QSocketNotifier::Read)
        , hear(std::move(hear))
    {
        connect(&notifier, &QSocketNotifier::activated, this, &Caller::readSome);
        QTimer::singleShot(LocalChannel::callerTimeoutMs, this, &Caller::finish);
    }
    ~Caller() override { ::close(socket); }

private:
    void readSome()
    {
        char bytes[chunkSize];
        const ssize_t count = ::recv(socket, bytes, sizeof bytes, 0);
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        const std::optional<QByteArray> answer =
            count > 0 ? hear(line, bytes, count) : QByteArray();
        if (!answer)
            return; // more to come
        if (!answer->isEmpty())
            ::send(socket, answer->constData(), size_t(answer->size()), MSG_NOSIGNAL);
        finish();
    }
    void finish()
    {
        notifier.setEnabled(false);
        deleteLater();
    }

    const int socket;
    QSocketNotifier notifier;
    const Hearing hear;
    QByteArray line;
};

} // namespace

class LocalChannel::Listener
{
public:
    ~Listener()
    {
        notifier.reset();
        if (socket >= 0) {
            ::close(socket);
            QFile::remove(path);
        }
    }

    // The socket is bound in a folder that only the user may enter and made
    // the user's alone before it is moved to its name, so that no other user
    // can ever reach it.
    bool listen(const QString &name)
    {
        QTemporaryDir folder(QFileInfo(name).absolutePath() + QStringLiteral("/.metrino-XXXXXX"));
        const QString bound = folder.filePath(QStringLiteral("s"));
        sockaddr_un address, target;
        if (!folder.isValid() || !addressFor(name, &target) || !addressFor(bound, &address))
            return false;
        socket = newSocket();
        if (socket < 0)
            return false;
        const QByteArray boundName = QFile::encodeName(bound);
        if (::bind(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
            || ::chmod(boundName.constData(), S_IRUSR | S_IWUSR) != 0
            || ::listen(socket, 16) != 0
            || ::rename(boundName.constData(), QFile::encodeName(name).constData()) != 0) {
            ::close(socket);
            socket = -1;
            return false;
        }
        path = name;
        return true;
    }

    void takeCallers(LocalChannel *channel)
    {
        notifier = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, channel, [this, channel] {
            int caller;
            while ((caller = ::accept4(socket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC))
                   >= 0) {
                const Hearing hear = [channel](QByteArray &line, const char *bytes, qint64 count) {
                    return channel->answerTo(line, bytes, count);
                };
                new Caller(caller, hear, channel);
            }
        });
    }

private:
    int socket = -1;
    QString path;
    std::unique_ptr<QSocketNotifier> notifier;
};

bool LocalChannel::ask(const QString &name, const QByteArray &request, const QByteArray &answer,
                       int timeout)
{
    const QDeadlineTimer deadline(timeout);
    sockaddr_un address;
    if (!addressFor(name, &address))
        return false;
    const int socket = newSocket();
    if (socket < 0)
        return false;
    QByteArray line;
    if (connectWithin(socket, address, deadline)
        && ::send(socket, request.constData(), size_t(request.size()), MSG_NOSIGNAL)
               == request.size()) {
        char bytes[chunkSize];
        while (!line.contains('\n') && line.size() <= answer.size()
               && waitFor(socket, POLLIN, deadline)) {
            const ssize_t count = ::recv(socket, bytes, sizeof bytes, 0);
            if (count <= 0 && !(count < 0 && errno == EINTR))
                break;
            line.append(bytes, qMax<ssize_t>(count, 0));
        }
    }
    ::close(socket);
    return line == answer;
}

#else

namespace {

std::wstring pipePath(const QString &name)
{
    return L"\\\\.\\pipe\\" + name.toStdWString();
}

// One instance of the pipe and the caller it takes: it waits for a caller,
// hears it, lets it go, and is gone. Once it has its caller, the next
// instance waits for the next one, so that a caller that keeps its instance
// holds up no other.
class PipeCaller : public QObject
{
public:
    PipeCaller(HANDLE pipe, Hearing hear, std::function<void()> taken, QObject *parent)
        : QObject(parent)
        , pipe(pipe)
        , hear(std::move(hear))
        , taken(std::move(taken))
    {
        pending.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        notifier.setHandle(pending.hEvent);
        connect(&notifier, &QWinEventNotifier::activated, this, &PipeCaller::carryOn);
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, this, &PipeCaller::finish);
        // Should no caller ever be waited for, the channel takes no more:
        // the lock still keeps other copies out.
        if (!pending.hEvent)
            finish();
        else if (ConnectNamedPipe(pipe, &pending) || GetLastError() == ERROR_IO_PENDING)
            notifier.setEnabled(true);
        else if (GetLastError() == ERROR_PIPE_CONNECTED)
            startReading();
        else
            finish();
    }
    ~PipeCaller() override
    {
        notifier.setEnabled(false);
        CancelIo(pipe);
        DWORD count;
        GetOverlappedResult(pipe, &pending, &count, TRUE);
        DisconnectNamedPipe(pipe);
        CloseHandle(pipe);
        if (pending.hEvent)
            CloseHandle(pending.hEvent);
    }

private:
    enum class Stage { Connecting, Reading, Closing, Done };

    void startReading()
    {
        stage = Stage::Reading;
        giveUp.start(LocalChannel::callerTimeoutMs);
        notifier.setEnabled(true);
        taken();
        readMore();
    }

    void readMore()
    {
        if (!ReadFile(pipe, bytes, sizeof bytes, nullptr, &pending)
            && GetLastError() != ERROR_IO_PENDING)
            finish();
    }

    // The operation under way has ended, or the caller has gone.
    void carryOn()
    {
        DWORD count = 0;
        const bool done = GetOverlappedResult(pipe, &pending, &count, FALSE);
        if (!done && GetLastError() == ERROR_IO_INCOMPLETE)
            return;
        // Set again when the next operation ends, and not before.
        ResetEvent(pending.hEvent);
        if (stage == Stage::Connecting) {
            if (done) {
                startReading();
            } else {
                taken();
                finish();
            }
            return;
        }
        const std::optional<QByteArray> answer =
            stage == Stage::Reading && done && count > 0 ? hear(line, bytes, count) : QByteArray();
        if (!answer)
            readMore();
        else if (!answer->isEmpty())
            sendAndWaitForClose(*answer);
        else
            finish();
    }

    // The answer fits the pipe's buffer, which is empty: it goes at once. The
    // caller then reads it and lets go of the pipe, which ends the read.
    void sendAndWaitForClose(const QByteArray &answer)
    {
        DWORD written = 0;
        if (!WriteFile(pipe, answer.constData(), DWORD(answer.size()), nullptr, &pending)
            && GetLastError() != ERROR_IO_PENDING)
            return finish();
        GetOverlappedResult(pipe, &pending, &written, TRUE);
        stage = Stage::Closing;
        readMore();
    }

    void finish()
    {
        stage = Stage::Done;
        notifier.setEnabled(false);
        giveUp.stop();
        deleteLater();
    }

    const HANDLE pipe;
    OVERLAPPED pending{};
    QWinEventNotifier notifier;
    QTimer giveUp;
    const Hearing hear;
    const std::function<void()> taken;
    Stage stage = Stage::Connecting;
    QByteArray line;
    char bytes[chunkSize];
};

} // namespace

class LocalChannel::Listener
{
public:
    ~Listener()
    {
        if (first != INVALID_HANDLE_VALUE)
            CloseHandle(first);
    }

    bool listen(const QString &name)
    {
        path = pipePath(name);
        first = newInstance(FILE_FLAG_FIRST_PIPE_INSTANCE);
        return first != INVALID_HANDLE_VALUE;
    }

    void takeCallers(LocalChannel *channel)
    {
        owner = channel;
        waitWith(std::exchange(first, INVALID_HANDLE_VALUE));
    }

private:
    HANDLE newInstance(DWORD flags) const
    {
        return CreateNamedPipeW(path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | flags,
                                PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT
                                    | PIPE_REJECT_REMOTE_CLIENTS,
                                PIPE_UNLIMITED_INSTANCES, chunkSize, chunkSize, 0, nullptr);
    }

    void waitWith(HANDLE pipe)
    {
        if (pipe == INVALID_HANDLE_VALUE)
            return;
        const Hearing hear = [channel = owner](QByteArray &line, const char *bytes, qint64 count) {
            return channel->answerTo(line, bytes, count);
        };
        new PipeCaller(pipe, hear, [this] { waitWith(newInstance(0)); }, owner);
    }

    std::wstring path;
    HANDLE first = INVALID_HANDLE_VALUE;
    LocalChannel *owner = nullptr;
};

namespace {

HANDLE openPipe(const std::wstring &pipeName, const QDeadlineTimer &deadline)
{
    for (;;) {
        const HANDLE pipe = CreateFileW(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        // Busy with another caller, which it soon lets go of.
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY
            || deadline.hasExpired())
            return pipe;
        WaitNamedPipeW(pipeName.c_str(), DWORD(qBound(1, remainingMs(deadline), 100)));
    }
}

// Waits for the overlapped operation just started, at most until the deadline.
bool finished(HANDLE pipe, OVERLAPPED *operation, BOOL started, DWORD *count,
              const QDeadlineTimer &deadline)
{
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return false;
    if (WaitForSingleObject(operation->hEvent, DWORD(remainingMs(deadline))) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, operation, count, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, operation, count, FALSE);
}

} // namespace

bool LocalChannel::ask(const QString &name, const QByteArray &request, const QByteArray &answer,
                       int timeout)
{
    const QDeadlineTimer deadline(timeout);
    const HANDLE pipe = openPipe(pipePath(name), deadline);
    if (pipe == INVALID_HANDLE_VALUE)
        return false;
    OVERLAPPED operation{};
    operation.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD count = 0;
    QByteArray line;
    if (operation.hEvent
        && finished(pipe, &operation,
                    WriteFile(pipe, request.constData(), DWORD(request.size()), nullptr, &operation),
                    &count, deadline)
        && count == DWORD(request.size())) {
        char bytes[chunkSize];
        while (!line.contains('\n') && line.size() <= answer.size()
               && finished(pipe, &operation,
                           ReadFile(pipe, bytes, sizeof bytes, nullptr, &operation), &count,
                           deadline)
               && count > 0)
            line.append(bytes, count);
    }
    if (operation.hEvent)
        CloseHandle(operation.hEvent);
    CloseHandle(pipe);
    return line == answer;
}

#endif

LocalChannel::LocalChannel(const QByteArray &request, const QByteArray &answer, QObject *parent)
    : QObject(parent)
    , request(request)
    , answer(answer)
{
}

LocalChannel::~LocalChannel() = default;

bool LocalChannel::listen(const QString &name)
{
    auto taking = std::make_unique<Listener>();
    if (!taking->listen(name))
        return false;
    listener = std::move(taking);
    listener->takeCallers(this);
    return true;
}

// What goes back to a caller that has sent these bytes, once its line is
// complete: the answer to the request, nothing to anything else.
std::optional<QByteArray> LocalChannel::answerTo(QByteArray &line, const char *bytes, qint64 count)
{
    line.append(bytes, count);
    if (line == request) {
        emit requested();
        return answer;
    }
    if (!line.contains('\n') && line.size() < request.size())
        return std::nullopt;
    return QByteArray();
}

#include "listfilekeeper.h"

#include "appinfo.h"
#include "listfile.h"
#include "savedlist.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <deque>
#include <tuple>
#include <utility>

namespace {

// Changes are written this long after the first of them, so that a burst of
// them makes one write.
const int autosaveDelayMs = 1000;
// How long the keeper waits, as it goes, for a reader to stop at the next part.
const int readerStopMs = 250;
// Rows are put in for about this long at a time while the list is loading;
// then the event loop gets its turn to repaint and take input.
const int fillSliceMs = 8;
// And at most this many at once, so that a view never takes long over them.
const int rowsPerStep = 512;

// What the list's file holds: the names of its groups, and their rows.
struct ListContent {
    QStringList groupNames;
    QList<EntryGroup> groups;
};

} // namespace

// What the keeper and its thread share. The thread holds it too, so that a
// reader stuck in a hostile file can be left behind.
struct ListFileKeeper::Shared {
    QMutex mutex; // guards the members up to writing
    QWaitCondition partReady;
    std::deque<std::pair<int, EntryGroup>> parts;
    bool reading = false;
    bool readingDone = false;
    ListFile::ReadStatus outcome = ListFile::ReadStatus::Missing;
    bool holdsWhatWasRead = true;
    QStringList namesRead;
    ListFileKeeper *receiver = nullptr; // null once the keeper has gone
    std::atomic<bool> stop{false};

    QMutex writing; // held for each write, and while copyKind and known are used
    QString copyKind;
    ListFile::Signature known; // the file as last read or written
    std::atomic<int> newestWrite{0};
    // The latest write that has ended, and how; guarded by mutex.
    QWaitCondition writeEnded;
    int lastEnded = 0;
    bool lastWritten = false;
    WriteFailure lastFailure;

    // The keeper is going: nothing more is told to it, and a reader stops.
    // Whether a reader may still be running.
    bool letGo();
    void read(const QString &path, const QStringList &groupNames);
    void push(int group, EntryGroup &&rows);
    void finish(ListFile::ReadStatus result, bool holds);
    bool write(const QString &path, const ListContent &content, int number, WriteFailure *failure);
    void writeAndTell(const QString &path, const ListContent &content, int number);
    bool waitForWrite(int number, QDeadlineTimer deadline);
};

bool ListFileKeeper::Shared::letGo()
{
    const QMutexLocker lock(&mutex);
    receiver = nullptr;
    stop.store(true);
    return reading && !readingDone;
}

void ListFileKeeper::Shared::read(const QString &path, const QStringList &groupNames)
{
    // Compared under the names it gives its groups: a file filed under other
    // rates is filed anew, and its names are no part of the list to keep.
    ListFile::ReadInfo info;
    ListFile::SameAsWritten check(path, info.groupNames);
    const ListFile::ReadStatus status = ListFile::read(
        path, int(groupNames.size()),
        [&](int group, EntryGroup &&rows) {
            check.add(group, rows);
            push(group, std::move(rows));
        },
        [this] { return bool(stop); }, &info);
    {
        // Of the file that was read, even when another has taken its place
        // meanwhile: that one is then kept aside before it is replaced.
        const QMutexLocker lock(&writing);
        known = info.signature;
    }
    {
        const QMutexLocker lock(&mutex);
        namesRead = info.groupNames;
    }
    finish(status, status == ListFile::ReadStatus::Missing
                       || (status == ListFile::ReadStatus::Complete && check.holds()));
}

void ListFileKeeper::Shared::push(int group, EntryGroup &&rows)
{
    const QMutexLocker lock(&mutex);
    const bool wasEmpty = parts.empty();
    parts.emplace_back(group, std::move(rows));
    partReady.wakeAll();
    // Only the first waiting part needs a call: the keeper takes what it
    // finds, and calls again itself while parts are left.
    if (wasEmpty && receiver)
        QMetaObject::invokeMethod(
            receiver, [k = receiver] { k->fillTimer.start(); }, Qt::QueuedConnection);
}

void ListFileKeeper::Shared::finish(ListFile::ReadStatus result, bool holds)
{
    const QMutexLocker lock(&mutex);
    outcome = result;
    holdsWhatWasRead = holds;
    readingDone = true;
    partReady.wakeAll();
    if (receiver)
        QMetaObject::invokeMethod(
            receiver, [k = receiver] { k->fillTimer.start(); }, Qt::QueuedConnection);
}

// Before every write the data folder is made again when it has gone; a
// list.xml that is not a plain file is never written to; and a file that held
// more than was read from it is first copied aside.
bool ListFileKeeper::Shared::write(const QString &path, const ListContent &content, int number,
                                   WriteFailure *failure)
{
    const QMutexLocker lock(&writing);
    if (number != newestWrite) // a newer write has been asked for: older rows never win
        return false;
    const QFileInfo file(path);

    // A symbolic link to a plain file counts as that file.
    if (file.exists() && !file.isFile()) {
        *failure = {WriteFailure::NotAPlainFile, QString()};
        return false;
    }
    // Changed on disk by someone else since: kept before it is replaced.
    if (copyKind.isEmpty() && file.exists() && ListFile::signatureOf(path) != known)
        copyKind = QStringLiteral("changed");
    if (!copyKind.isEmpty() && file.exists()) {
        if (ListFile::keepCopy(path, copyKind).isEmpty()) {
            *failure = {WriteFailure::NoCopy, QString()};
            return false;
        }
    }
    copyKind.clear();
    if (!ListFile::write(path, content.groupNames, content.groups, failure))
        return false;
    known = ListFile::signatureOf(path);
    return true;
}

void ListFileKeeper::Shared::writeAndTell(const QString &path, const ListContent &content,
                                          int number)
{
    WriteFailure failure;
    const bool written = write(path, content, number, &failure);
    const QMutexLocker lock(&mutex);
    lastEnded = number;
    lastWritten = written;
    lastFailure = failure;
    writeEnded.wakeAll();
    if (ListFileKeeper *keeper = receiver) {
        QMetaObject::invokeMethod(
            keeper,
            [keeper, number, written, failure] {
                keeper->writtenInBackground(number, written, failure);
            },
            Qt::QueuedConnection);
    }
}

// Whether that write ended before the deadline.
bool ListFileKeeper::Shared::waitForWrite(int number, QDeadlineTimer deadline)
{
    QMutexLocker lock(&mutex);
    while (lastEnded < number) {
        if (!writeEnded.wait(&mutex, deadline))
            return lastEnded >= number;
    }
    return true;
}

ListFileKeeper::ListFileKeeper(const QString &path, SavedList &list, QObject *parent)
    : QObject(parent)
    , filePath(path)
    , saved(list)
    , shared(std::make_shared<Shared>())
    , thread(new QThread)
    , worker(new QObject)
{
    shared->receiver = this;
    worker->moveToThread(thread);
    thread->start();
    autosaveTimer.setSingleShot(true);
    autosaveTimer.setInterval(autosaveDelayMs);
    connect(&autosaveTimer, &QTimer::timeout, this, &ListFileKeeper::writeInBackground);
    fillTimer.setSingleShot(true);
    fillTimer.setInterval(0);
    connect(&fillTimer, &QTimer::timeout, this, &ListFileKeeper::fillSomeRows);
    connect(&saved, &SavedList::changed, this, &ListFileKeeper::noteChange);
}

ListFileKeeper::~ListFileKeeper()
{
    const bool reading = shared->letGo();
    // Behind the writes already asked for, which are carried out first.
    QMetaObject::invokeMethod(
        worker, [done = thread] { done->quit(); }, Qt::QueuedConnection);
    // A write ends by itself; a reader stops at its next part, unless one
    // element of the file keeps it busy: that one is not waited for.
    if (thread->wait(reading ? QDeadlineTimer(readerStopMs) : QDeadlineTimer::Forever)) {
        delete worker;
        delete thread;
    }
}

QString ListFileKeeper::standardPath()
{
    return AppInfo::dataFolder() + QLatin1String("/list.xml");
}

void ListFileKeeper::setState(State state)
{
    if (state == current)
        return;
    current = state;
    emit stateChanged(state);
}

void ListFileKeeper::load()
{
    if (current != State::Unread)
        return;
    setState(State::Loading);
    {
        const QMutexLocker lock(&shared->mutex);
        shared->reading = true;
    }
    QMetaObject::invokeMethod(
        worker, [s = shared, path = filePath, names = saved.groupNames()] { s->read(path, names); },
        Qt::QueuedConnection);
}

void ListFileKeeper::whenLoaded(std::function<void()> command)
{
    if (current == State::Loading)
        waitingCommands << std::move(command);
    else
        command();
}

// The reader hands the rows over in parts; they are put in from the event
// loop, a slice of time at a time, so that a long list never freezes the
// window.
void ListFileKeeper::fillSomeRows()
{
    QElapsedTimer slice;
    slice.start();
    while (current == State::Loading && takeRows(false, {})) {
        if (slice.elapsed() >= fillSliceMs) {
            fillTimer.start();
            return;
        }
    }
}

// Puts in some of the rows read, or ends the loading; false when none are
// there, and with wait, none came before the deadline.
bool ListFileKeeper::takeRows(bool wait, QDeadlineTimer deadline)
{
    while (partDone == part.size()) {
        part = EntryGroup();
        partDone = 0;
        QMutexLocker lock(&shared->mutex);
        if (!shared->parts.empty()) {
            std::tie(partGroup, part) = std::move(shared->parts.front());
            shared->parts.pop_front();
        } else if (shared->readingDone) {
            lock.unlock();
            endLoading();
            return true;
        } else if (!wait || !shared->partReady.wait(&shared->mutex, deadline)) {
            return false;
        }
    }
    const int count = qMin(rowsPerStep, int(part.size()) - partDone);
    if (partGroup < saved.groupCount())
        saved.appendRows(partGroup, part.mid(partDone, count));
    partDone += count;
    return true;
}

// Puts every row still to come in before the list is saved: a list saved
// half loaded would lose the rest.
bool ListFileKeeper::finishLoading(QDeadlineTimer deadline)
{
    while (current == State::Loading) {
        if (!takeRows(true, deadline))
            return false;
    }
    return true;
}

void ListFileKeeper::endLoading()
{
    part = EntryGroup();
    partDone = 0;
    QStringList filedUnder;
    {
        const QMutexLocker lock(&shared->mutex);
        filedUnder = shared->namesRead;
        // What the file held beyond the rows read is kept in a copy beside
        // it before the file is first replaced.
        if (shared->outcome != ListFile::ReadStatus::Missing && !shared->holdsWhatWasRead) {
            const QMutexLocker writing(&shared->writing);
            shared->copyKind = shared->outcome == ListFile::ReadStatus::Unreadable
                                   ? QStringLiteral("unreadable")
                                   : QStringLiteral("before");
        }
    }
    setState(State::Clean);
    // Rates changed since the file was written (by hand in the settings, or
    // by a run that ended before it wrote the list): its rows are filed
    // anew under those in force, before any command waiting for them.
    const QStringList names = saved.groupNames();
    if (filedUnder.size() == names.size() && filedUnder != names) {
        saved.refileAtOnce();
    }
    const QList<std::function<void()>> commands = std::exchange(waitingCommands, {});
    for (const auto &command : commands)
        command();
    emit loaded();
}

// While the list loads, its changes are the rows read: the file holds them.
void ListFileKeeper::noteChange()
{
    switch (current) {
    case State::Clean: setState(State::Changed); break;
    case State::Failed: setState(State::Retrying); break;
    case State::Saving: setState(State::ChangedWhileSaving); return;
    case State::Changed:
    case State::Retrying: break;
    case State::Unread:
    case State::Loading:
    case State::ChangedWhileSaving:
    case State::GivenUp: return;
    }
    if (!autosaveTimer.isActive())
        autosaveTimer.start();
}

void ListFileKeeper::saveSoon()
{
    autosaveTimer.stop();
    writeInBackground();
}

void ListFileKeeper::writeInBackground()
{
    switch (current) {
    case State::Clean:
    case State::Changed:
    case State::Failed:
    case State::Retrying: startWrite(); break;
    // A running write is followed by another when the list changed meanwhile.
    case State::Saving: break;
    case State::Unread:
    case State::Loading:
    case State::ChangedWhileSaving:
    case State::GivenUp: break;
    }
}

// The rows are taken here, on the GUI thread; turning them into the file's
// bytes and writing them happens in the background.
int ListFileKeeper::startWrite()
{
    beforeWrite = current;
    setState(State::Saving);
    const int number = ++shared->newestWrite;
    QMetaObject::invokeMethod(
        worker,
        [s = shared, path = filePath, content = ListContent{saved.groupNames(), saved.content()},
         number] { s->writeAndTell(path, content, number); },
        Qt::QueuedConnection);
    return number;
}

void ListFileKeeper::writtenInBackground(int number, bool written, const WriteFailure &failure)
{
    // A save at once made since then has told its own result.
    const bool changedSince = current == State::ChangedWhileSaving;
    if (number != shared->newestWrite || !(current == State::Saving || changedSince))
        return;
    const bool lacking = beforeWrite != State::Clean || changedSince;
    if (written) {
        setState(changedSince ? State::Changed : State::Clean);
        if (changedSince && !autosaveTimer.isActive())
            startWrite();
    } else if (!lacking) {
        setState(State::Clean); // the file holds the list still
    } else {
        const bool toldBefore = beforeWrite == State::Failed || beforeWrite == State::Retrying;
        setState(changedSince ? State::Retrying : State::Failed);
        if (!toldBefore)
            emit saveFailed(failure);
        if (changedSince && !autosaveTimer.isActive())
            autosaveTimer.start();
    }
    emit writeEnded(written, failure);
}

bool ListFileKeeper::saveNow(QDeadlineTimer deadline, WriteFailure *failure)
{
    if (current == State::Unread || current == State::GivenUp)
        return true; // nothing of this run to write
    if (!finishLoading(deadline)) {
        if (failure)
            *failure = {WriteFailure::StillReading, QString()};
        return false;
    }
    autosaveTimer.stop();
    const bool lacking = hasUnsavedChanges();
    const auto told = [](State state) {
        return state == State::Failed || state == State::Retrying;
    };
    const bool toldBefore = told(current) || (current != State::Changed && told(beforeWrite));
    const int number = startWrite();
    if (!shared->waitForWrite(number, deadline)) {
        // Its result comes as that of a write in the background.
        beforeWrite = lacking ? (toldBefore ? State::Failed : State::Changed) : State::Clean;
        if (failure)
            *failure = {WriteFailure::StillWriting, QString()};
        return false;
    }
    bool written;
    {
        const QMutexLocker lock(&shared->mutex);
        written = shared->lastWritten;
        if (!written && failure)
            *failure = shared->lastFailure;
    }
    setState(written || !lacking ? State::Clean : toldBefore ? State::Failed : State::Changed);
    return written;
}

bool ListFileKeeper::hasUnsavedChanges() const
{
    switch (current) {
    case State::Loading: return !waitingCommands.isEmpty();
    case State::Changed:
    case State::ChangedWhileSaving:
    case State::Failed:
    case State::Retrying: return true;
    case State::Saving: return beforeWrite != State::Clean;
    case State::Unread:
    case State::Clean:
    case State::GivenUp: return false;
    }
    return false;
}

void ListFileKeeper::giveUp()
{
    autosaveTimer.stop();
    waitingCommands.clear();
    setState(State::GivenUp);
}

bool ListFileKeeper::takeFailureNotice()
{
    if (current == State::Failed || current == State::Retrying || !hasUnsavedChanges())
        return false;
    if (current == State::Changed)
        setState(State::Failed);
    else
        beforeWrite = State::Failed; // told once the running write ends
    return true;
}

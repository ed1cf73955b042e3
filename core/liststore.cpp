#include "liststore.h"

#include "listfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>

#include <atomic>
#include <deque>
#include <utility>

namespace {

// Changes are written this long after the first of them, so that a burst of
// them makes one write.
const int autosaveDelayMs = 1000;
// How long the store waits, as it goes, for a reader to stop at the next part.
const int readerStopMs = 250;

} // namespace

// What the store and its thread share. The thread holds it too, so that a
// reader stuck in a hostile file can be left behind.
struct ListStore::Shared {
    QMutex mutex; // guards the members up to writing
    QWaitCondition partReady;
    std::deque<std::pair<int, EntryGroup>> parts;
    bool readingDone = false;
    Outcome outcome = Outcome::Missing;
    bool holdsWhatWasRead = true;
    QStringList namesRead;
    ListStore *receiver = nullptr; // null once the store has gone
    std::atomic<bool> stop{false};

    QMutex writing; // held for each write, and while copyKind and known are used
    QString copyKind;
    ListFile::Signature known; // the file as last read or written
    std::atomic<int> newestWrite{0};

    // The store is going: nothing more is told to it, and a reader stops.
    // Whether a reader may still be running.
    bool letGo(bool loading);
    void read(const QString &path, const QStringList &groupNames);
    void push(int group, EntryGroup &&rows);
    void finish(Outcome result, bool holds);
    bool write(const QString &path, const ListContent &content, int number, QString *reason);
};

bool ListStore::Shared::letGo(bool loading)
{
    const QMutexLocker lock(&mutex);
    receiver = nullptr;
    stop.store(true);
    return loading && !readingDone;
}

void ListStore::Shared::read(const QString &path, const QStringList &groupNames)
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
    switch (status) {
    case ListFile::ReadStatus::Missing: return finish(Outcome::Missing, true);
    case ListFile::ReadStatus::Unreadable: return finish(Outcome::Unreadable, false);
    case ListFile::ReadStatus::Complete: return finish(Outcome::Complete, check.holds());
    }
}

void ListStore::Shared::push(int group, EntryGroup &&rows)
{
    const QMutexLocker lock(&mutex);
    const bool wasEmpty = parts.empty();
    parts.emplace_back(group, std::move(rows));
    partReady.wakeAll();
    // Only the first waiting part needs a call: the list takes what it
    // finds, and calls again itself while parts are left.
    if (wasEmpty && receiver)
        QMetaObject::invokeMethod(receiver, &ListStore::partsWaiting, Qt::QueuedConnection);
}

void ListStore::Shared::finish(Outcome result, bool holds)
{
    const QMutexLocker lock(&mutex);
    outcome = result;
    holdsWhatWasRead = holds;
    readingDone = true;
    partReady.wakeAll();
    if (receiver)
        QMetaObject::invokeMethod(receiver, &ListStore::partsWaiting, Qt::QueuedConnection);
}

// The list's writer makes the data folder again when it has gone; a
// list.xml that is not a plain file is never written to; and a file that held
// more than was read from it is first copied aside.
bool ListStore::Shared::write(const QString &path, const ListContent &content, int number,
                              QString *reason)
{
    const QMutexLocker lock(&writing);
    if (number != newestWrite) // a newer write has been asked for: older rows never win
        return false;
    const QFileInfo file(path);

    // A symbolic link to a plain file counts as that file.
    if (file.exists() && !file.isFile()) {
        if (reason)
            *reason = notAPlainFileReason();
        return false;
    }
    // Changed on disk by someone else since: kept before it is replaced.
    if (copyKind.isEmpty() && file.exists() && ListFile::signatureOf(path) != known)
        copyKind = QStringLiteral("changed");
    if (!copyKind.isEmpty() && file.exists()) {
        if (ListFile::keepCopy(path, copyKind).isEmpty()) {
            if (reason)
                *reason = noCopyReason();
            return false;
        }
    }
    copyKind.clear();
    WriteFailure failure;
    if (!ListFile::write(path, content.groupNames, content.groups, &failure)) {
        if (reason)
            *reason = failure.text();
        return false;
    }
    known = ListFile::signatureOf(path);
    return true;
}

ListStore::ListStore(const QString &path, Snapshot snapshot, QObject *parent)
    : QObject(parent)
    , filePath(path)
    , snapshot(std::move(snapshot))
    , shared(std::make_shared<Shared>())
    , thread(new QThread)
    , worker(new QObject)
    , autosaveTimer(new QTimer(this))
{
    shared->receiver = this;
    worker->moveToThread(thread);
    thread->start();
    autosaveTimer->setSingleShot(true);
    autosaveTimer->setInterval(autosaveDelayMs);
    connect(autosaveTimer, &QTimer::timeout, this, &ListStore::writeInBackground);
}

ListStore::~ListStore()
{
    const bool reading = shared->letGo(current == State::Loading);
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

QString ListStore::notAPlainFileReason()
{
    return QStringLiteral("Στη θέση του αρχείου υπάρχει φάκελος ή ειδικό αρχείο, που δεν "
                          "αντικαθίσταται.");
}

QString ListStore::noCopyReason()
{
    return QStringLiteral("Το αρχείο περιέχει στοιχεία που η λίστα δεν διάβασε και δεν ήταν "
                          "δυνατό να κρατηθεί αντίγραφό του· για να μη χαθούν, δεν "
                          "αντικαθίσταται.");
}

void ListStore::startLoading(const QStringList &groupNames)
{
    current = State::Loading;
    QMetaObject::invokeMethod(
        worker, [s = shared, path = filePath, groupNames] { s->read(path, groupNames); },
        Qt::QueuedConnection);
}

ListStore::Take ListStore::takePart(int &group, EntryGroup &rows)
{
    const QMutexLocker lock(&shared->mutex);
    if (shared->parts.empty())
        return shared->readingDone ? Take::Finished : Take::NothingYet;
    group = shared->parts.front().first;
    rows = std::move(shared->parts.front().second);
    shared->parts.pop_front();
    return Take::Part;
}

bool ListStore::waitForPart(QDeadlineTimer deadline)
{
    QMutexLocker lock(&shared->mutex);
    while (shared->parts.empty() && !shared->readingDone) {
        if (!shared->partReady.wait(&shared->mutex, deadline))
            return !shared->parts.empty() || shared->readingDone;
    }
    return true;
}

QStringList ListStore::groupNamesRead() const
{
    const QMutexLocker lock(&shared->mutex);
    return shared->namesRead;
}

ListStore::Outcome ListStore::loadingEnded()
{
    Outcome outcome;
    bool holds = true;
    {
        const QMutexLocker lock(&shared->mutex);
        outcome = shared->outcome;
        holds = shared->holdsWhatWasRead;
    }
    // What the file held beyond the rows read is kept in a copy beside it
    // before the file is first replaced.
    if (outcome != Outcome::Missing && !holds) {
        const QMutexLocker lock(&shared->writing);
        shared->copyKind = outcome == Outcome::Unreadable ? QStringLiteral("unreadable")
                                                          : QStringLiteral("before");
    }
    current = State::Clean;
    return outcome;
}

void ListStore::noteChange()
{
    ++changes;
    if (current != State::Saving)
        current = State::Changed;
    if (!givenUp && !autosaveTimer->isActive())
        autosaveTimer->start();
}

void ListStore::writeSoon()
{
    autosaveTimer->stop();
    writeInBackground();
}

// The rows are taken here, on the GUI thread; turning them into the file's
// bytes and writing them happens in the background.
void ListStore::writeInBackground()
{
    // A running write is followed by another when the list changed meanwhile.
    if (current == State::Loading || current == State::Saving || givenUp)
        return;
    current = State::Saving;
    changesBeingSaved = changes;
    const int number = ++shared->newestWrite;
    QMetaObject::invokeMethod(
        worker,
        [s = shared, path = filePath, content = snapshot(), number] {
            QString reason;
            const bool written = s->write(path, content, number, &reason);
            const QMutexLocker lock(&s->mutex);
            if (ListStore *store = s->receiver) {
                QMetaObject::invokeMethod(
                    store,
                    [store, number, written, reason] {
                        store->writtenInBackground(number, written, reason);
                    },
                    Qt::QueuedConnection);
            }
        },
        Qt::QueuedConnection);
}

void ListStore::writtenInBackground(int number, bool written, const QString &reason)
{
    // A save at once made since then has told its own result.
    if (number != shared->newestWrite)
        return;
    if (written) {
        savedChanges = changesBeingSaved;
        failureTold = false;
    } else if (changesBeingSaved != savedChanges && claimFailureNotice()) {
        emit saveFailed(reason);
    }
    if (changes != changesBeingSaved && !givenUp) {
        current = State::Changed;
        if (!autosaveTimer->isActive())
            writeInBackground();
    } else {
        current = written ? State::Clean : State::Failed;
    }
}

bool ListStore::writeNow(QString *reason)
{
    autosaveTimer->stop();
    if (current == State::Loading) {
        if (reason)
            *reason = QStringLiteral("Η λίστα διαβάζεται ακόμη από το αρχείο.");
        return false;
    }
    const int changesSaved = changes;
    const int number = ++shared->newestWrite;
    const bool written = shared->write(filePath, snapshot(), number, reason);
    if (written) {
        savedChanges = changesSaved;
        failureTold = false;
    }
    current = written ? State::Clean : State::Failed;
    return written;
}

void ListStore::stopWriting()
{
    givenUp = true;
    autosaveTimer->stop();
}

bool ListStore::claimFailureNotice()
{
    return !std::exchange(failureTold, true);
}

#include "savedlist.h"

#include "listfile.h"
#include "ratetabs.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <utility>

namespace {

// Rows are put in for about this long at a time while the list is loading;
// then the event loop gets its turn to repaint and take input.
const int fillSliceMs = 20;
// And at most this many at once, so that a view never takes long over them.
const int rowsPerStep = 1024;

// At most the bytes that the row of the entry takes in the file: its texts
// in UTF-8, escaped, and the rest of the element.
qint64 bytesOf(const Entry &entry)
{
    qint64 bytes = 80;
    for (const QString *text : {&entry.poso, &entry.fpa, &entry.extraPoso, &entry.finalPoso}) {
        for (const QChar c : *text) {
            const char16_t u = c.unicode();
            bytes += u == '"'                           ? 6
                     : u == '&'                         ? 5
                     : u < 0x20 || u == '<' || u == '>' ? 5
                     : u < 0x80                         ? 1
                     : u < 0x800                        ? 2
                                                        : 3;
        }
    }
    return bytes;
}

// What the file takes besides the rows: its root and the groups.
const qint64 fileFrame = 4096;

size_t hashOf(const Entry &entry)
{
    return qHashMulti(0, entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso);
}

} // namespace

SavedList::SavedList(const QString &path, const QStringList &groupNames, QObject *parent)
    : QObject(parent)
    , names(groupNames)
    , groups(groupNames.size())
    , store(new ListStore(
          path, [this] { return content(); }, this))
{
    connect(store, &ListStore::partsWaiting, &fillTimer, qOverload<>(&QTimer::start));
    connect(store, &ListStore::saveFailed, this, &SavedList::saveFailed);
    fillTimer.setSingleShot(true);
    fillTimer.setInterval(0);
    connect(&fillTimer, &QTimer::timeout, this, &SavedList::fillSomeRows);

    // Quitting by any other way than closing the window still keeps the
    // changes; an ending program waits a moment at most for the reader.
    if (QCoreApplication *app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (hasUnsavedChanges() && !store->hasStoppedWriting())
                save(nullptr, QDeadlineTimer(200));
        });
    }
}

SavedList::~SavedList()
{
    delete store; // before the rows that it may ask for
}

bool SavedList::contains(int group, const Entry &entry) const
{
    return findRow(group, entry) >= 0;
}

int SavedList::findRow(int group, const Entry &entry) const
{
    const Group &g = groups.at(group);
    return g.hashes.contains(hashOf(entry)) ? int(g.rows.indexOf(entry)) : -1;
}

QString SavedList::textOf(int group, const QList<int> &rows) const
{
    // A tab or line break inside a text would split it up.
    const auto cell = [](QString text) {
        for (QChar &c : text) {
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
        }
        return text;
    };
    QString text;
    for (int row : rows) {
        const Entry &entry = entries(group).at(row);
        text += QStringList{cell(entry.poso), cell(entry.fpa), cell(entry.extraPoso),
                            cell(entry.finalPoso)}
                    .join(QLatin1Char('\t'))
                + QLatin1Char('\n');
    }
    return text;
}

void SavedList::load()
{
    loading = true;
    store->startLoading(names);
}

void SavedList::whenLoaded(std::function<void()> command)
{
    if (loading)
        waitingCommands << std::move(command);
    else
        command();
}

void SavedList::addEntry(const Entry &entry)
{
    whenLoaded([this, entry] {
        const int group = RateTabs::forRate(entry.fpa);
        bool added = false;
        int row = findRow(group, entry);
        const bool isNew = row < 0;
        const bool inAll = contains(RateTabs::all, entry);
        if (!hasRoomFor(EntryGroup(int(isNew) + int(!inAll), entry))) {
            emit full();
            return;
        }
        if (isNew) {
            row = int(entries(group).size());
            insertRows(group, row, {entry});
            added = true;
        }
        if (!inAll) {
            insertRows(RateTabs::all, int(entries(RateTabs::all).size()), {entry});
            added = true;
        }
        emit entryFiled(group, row, isNew);
        if (added)
            changed();
    });
}

void SavedList::removeRow(int group, int row)
{
    // The row as it is now: a removal that waits for the loading takes only
    // that entry, also when asked for twice.
    const Entry expected = entries(group).value(row);
    whenLoaded([this, group, row, expected] {
        Group &g = groups[group];
        if (row < 0 || row >= g.rows.size() || g.rows.at(row) != expected)
            return;
        const Entry entry = g.rows.takeAt(row);
        forget(g, entry);
        deletions << Deletion{group, row, {entry}};
        emit rowsRemoved(group, row, {entry});
        changed();
    });
}

void SavedList::removeAll(int group)
{
    whenLoaded([this, group] {
        Group &g = groups[group];
        if (g.rows.isEmpty())
            return;
        deletions << Deletion{group, 0, std::exchange(g.rows, {})};
        g.hashes.clear();
        for (const Entry &entry : deletions.constLast().entries) {
            --rowCount;
            fileBytes -= bytesOf(entry);
        }
        emit groupReset(group);
        changed();
    });
}

void SavedList::undo()
{
    whenLoaded([this] {
        if (deletions.isEmpty())
            return;
        const Deletion last = deletions.takeLast();
        EntryGroup restored;
        for (const Entry &entry : last.entries) {
            if (!contains(last.group, entry))
                restored << entry;
        }
        if (!hasRoomFor(restored)) {
            deletions << last;
            emit full();
            return;
        }
        const int row = qMin(last.row, int(entries(last.group).size()));
        if (!restored.isEmpty()) {
            insertRows(last.group, row, restored);
            changed();
        }
        emit deletionUndone(last.group, row, int(restored.size()));
    });
}

void SavedList::insertRows(int group, int row, const EntryGroup &entries)
{
    Group &g = groups[group];
    if (row == g.rows.size()) {
        g.rows.append(entries);
    } else {
        EntryGroup rows;
        rows.reserve(g.rows.size() + entries.size());
        rows << g.rows.mid(0, row) << entries << g.rows.mid(row);
        g.rows = std::move(rows);
    }
    for (const Entry &entry : entries) {
        ++g.hashes[hashOf(entry)];
        fileBytes += bytesOf(entry);
    }
    rowCount += int(entries.size());
    emit rowsInserted(group, row, int(entries.size()));
}

// Whether the file can take those rows more and still be read back whole.
bool SavedList::hasRoomFor(const EntryGroup &entries) const
{
    qint64 bytes = fileBytes;
    for (const Entry &entry : entries) {
        if (qMax(entry.poso.size(),
                 qMax(entry.fpa.size(), qMax(entry.extraPoso.size(), entry.finalPoso.size())))
            > ListFile::maxTextLength)
            return false;
        bytes += bytesOf(entry);
    }
    return rowCount + entries.size() <= ListFile::maxRows
           && bytes + fileFrame <= ListFile::maxFileSize;
}

void SavedList::forget(Group &group, const Entry &entry)
{
    --rowCount;
    fileBytes -= bytesOf(entry);
    const auto found = group.hashes.find(hashOf(entry));
    if (found != group.hashes.end() && --*found == 0)
        group.hashes.erase(found);
}

// The reader hands the rows over in parts; they are put in from the event
// loop, a slice of time at a time, so that a long list never freezes the
// window.
void SavedList::fillSomeRows()
{
    QElapsedTimer slice;
    slice.start();
    while (loading && takeRows(false, {})) {
        if (slice.elapsed() >= fillSliceMs) {
            fillTimer.start();
            return;
        }
    }
}

// Puts in some of the rows read, or ends the loading; false when none are
// there, and with wait, none came before the deadline.
bool SavedList::takeRows(bool wait, QDeadlineTimer deadline)
{
    while (partDone == part.size()) {
        part = EntryGroup();
        partDone = 0;
        switch (store->takePart(partGroup, part)) {
        case ListStore::Take::Part: break;
        case ListStore::Take::NothingYet:
            if (!wait || !store->waitForPart(deadline))
                return false;
            break;
        case ListStore::Take::Finished: endLoading(); return true;
        }
    }
    const int count = qMin(rowsPerStep, int(part.size()) - partDone);
    insertRows(partGroup, int(entries(partGroup).size()), part.mid(partDone, count));
    partDone += count;
    return true;
}

// Puts every row still to come in before the list is saved: a list saved
// half loaded would lose the rest.
bool SavedList::finishLoading(QDeadlineTimer deadline)
{
    while (loading) {
        if (!takeRows(true, deadline))
            return false;
    }
    return true;
}

void SavedList::endLoading()
{
    store->loadingEnded();
    loading = false;
    part = EntryGroup();
    partDone = 0;
    const QList<std::function<void()>> commands = std::exchange(waitingCommands, {});
    for (const auto &command : commands)
        command();
    emit loaded();
}

void SavedList::changed()
{
    store->noteChange();
}

ListContent SavedList::content() const
{
    ListContent content{names, {}};
    content.groups.reserve(groups.size());
    for (const Group &group : groups)
        content.groups << group.rows;
    return content;
}

bool SavedList::save(QString *reason, QDeadlineTimer loadingDeadline)
{
    if (loading && !finishLoading(loadingDeadline)) {
        if (reason)
            *reason = QStringLiteral("Η λίστα διαβάζεται ακόμη από το αρχείο.");
        return false;
    }
    return store->writeNow(reason);
}

void SavedList::saveSoon()
{
    store->writeSoon();
}

bool SavedList::hasUnsavedChanges() const
{
    return store->fileLacksChanges() || !waitingCommands.isEmpty();
}

void SavedList::giveUpUnsavedChanges()
{
    store->stopWriting();
}

bool SavedList::takeFailureNotice()
{
    return store->claimFailureNotice();
}

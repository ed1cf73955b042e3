#include "savedlist.h"

#include "entrydate.h"
#include "listfile.h"
#include "ratetabs.h"

#include <QSemaphore>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <climits>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// At most the bytes that the row of the entry takes in the file: its texts
// in UTF-8, escaped, and the rest of the element.
qint64 bytesOf(const Entry &entry)
{
    qint64 bytes = 80 + (entry.date.isEmpty() ? 0 : 8 + EntryStamp::textLength);
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

struct EntryHash {
    size_t operator()(const Entry &entry) const { return hashOf(entry); }
};

// A group that loses rows in at most this many runs tells its views of each
// run; one that loses them in more is read again as a whole, which is faster
// for a view than many small removals.
const int mostRemovalsTold = 8;

// A re-filing looks whether it is given up after about this many rows.
const int rowsBetweenLooks = 4096;

} // namespace

// A re-filing: the groups as they were, copied, and what they come to under
// the new rates, worked out on any thread without the list.
struct SavedList::Refiling {
    struct Result {
        int group;
        Group filed;
        // The rows that left, as runs of neighbours: first row and count.
        QList<std::pair<int, int>> runs;
        qint64 bytes; // how many more the file takes
    };

    RateSet rates;
    QStringList names;
    QList<Group> groups;
    Routing routing;
    std::atomic<bool> cancelled{false};
    std::atomic<int> stepsDone{0};
    QList<Result> changed;
    // The groups as they were, let go of on the thread once the list has
    // taken the new ones in (or given them up): long groups take a while.
    QList<Group> discarded;
    QSemaphore taken;

    void workOut();
    QList<int> rowsLeaving(int group) const;
    QList<EntryGroup> rowsComing(const QList<QList<int>> &leaving) const;
    Result refiled(int group, const QList<int> &leaving, const EntryGroup &coming) const;
    bool givenUp(int row) const
    {
        return row % rowsBetweenLooks == 0 && cancelled.load(std::memory_order_relaxed);
    }
};

SavedList::SavedList(const RateSet &rates, const QStringList &groupNames, QObject *parent)
    : QObject(parent)
    , names(groupNames)
    , groups(groupNames.size())
    , filingRates(rates)
{
}

SavedList::~SavedList()
{
    if (refiling) {
        refiling->cancelled = true;
        refiling->taken.release();
    }
    for (QThread *thread : {refilingThread, lettingGoThread}) {
        if (thread)
            thread->wait();
        delete thread;
    }
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

bool SavedList::Group::holds(const Entry &entry) const
{
    return hashes.contains(hashOf(entry)) && rows.contains(entry);
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

QList<EntryGroup> SavedList::content() const
{
    QList<EntryGroup> content;
    content.reserve(groups.size());
    for (const Group &group : groups)
        content << group.rows;
    return content;
}

void SavedList::appendRows(int group, const EntryGroup &rows)
{
    if (rows.isEmpty())
        return;
    insertRows(group, int(entries(group).size()), rows);
    emit changed();
}

void SavedList::afterRefiling(std::function<void()> command)
{
    if (refiling)
        waitingCommands << std::move(command);
    else
        command();
}

// In order, until one of them starts a re-filing, which the rest wait for.
void SavedList::runWaitingCommands()
{
    while (!refiling && !waitingCommands.isEmpty())
        waitingCommands.takeFirst()();
}

void SavedList::addEntry(const Entry &added)
{
    Entry entry = added;
    if (entry.date.isEmpty())
        entry.date = EntryDate::now();
    afterRefiling([this, entry] {
        const int group = RateTabs::forRate(entry.fpa, filingRates);
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
            emit changed();
    });
}

void SavedList::removeRow(int group, int row)
{
    // The row as it is now: a removal that waits for a re-filing takes only
    // that entry, also when asked for twice.
    const Entry expected = entries(group).value(row);
    afterRefiling([this, group, row, expected] {
        Group &g = groups[group];
        if (row < 0 || row >= g.rows.size() || g.rows.at(row) != expected)
            return;
        const Entry entry = g.rows.takeAt(row);
        forget(g, entry);
        deletions << Deletion{group, row, {entry}};
        emit rowsRemoved(group, row, {entry});
        emit totalsChanged(group);
        emit changed();
    });
}

void SavedList::removeAll(int group)
{
    afterRefiling([this, group] {
        Group &g = groups[group];
        if (g.rows.isEmpty())
            return;
        deletions << Deletion{group, 0, std::exchange(g.rows, {})};
        g.hashes.clear();
        g.rateTexts.clear();
        g.totals.clear();
        for (const Entry &entry : deletions.constLast().entries) {
            --rowCount;
            fileBytes -= bytesOf(entry);
        }
        emit groupReset(group);
        emit totalsChanged(group);
        emit changed();
    });
}

void SavedList::undo()
{
    afterRefiling([this] {
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
            emit changed();
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
    for (const Entry &entry : entries)
        remember(g, entry);
    emit rowsInserted(group, row, int(entries.size()));
    emit totalsChanged(group);
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

void SavedList::remember(Group &group, const Entry &entry)
{
    ++rowCount;
    fileBytes += bytesOf(entry);
    group.count(entry);
}

void SavedList::forget(Group &group, const Entry &entry)
{
    --rowCount;
    fileBytes -= bytesOf(entry);
    group.uncount(entry);
}

void SavedList::Group::count(const Entry &entry)
{
    totals.add(entry);
    ++hashes[hashOf(entry)];
    ++rateTexts[entry.fpa];
}

void SavedList::Group::uncount(const Entry &entry)
{
    totals.remove(entry);
    const auto found = hashes.find(hashOf(entry));
    if (found != hashes.end() && --*found == 0)
        hashes.erase(found);
    const auto rate = rateTexts.find(entry.fpa);
    if (rate != rateTexts.end() && --*rate == 0)
        rateTexts.erase(rate);
}

void SavedList::refileAtOnce()
{
    const std::shared_ptr<Refiling> job = prepareRefiling(filingRates, names);
    job->workOut();
    takeRefiled(*job);
    emit changed(); // the names, also when no row moved
}

void SavedList::followRates(const RateSet &rates, const QStringList &groupNames)
{
    afterRefiling([this, rates, groupNames] { refileOnAThread(prepareRefiling(rates, groupNames)); });
}

bool SavedList::isRefiling() const
{
    return refiling && !refiling->cancelled;
}

int SavedList::refilingStepsDone() const
{
    return isRefiling() ? refiling->stepsDone.load() : 0;
}

void SavedList::cancelRefiling()
{
    if (!isRefiling())
        return;
    // The thread ends at its next look; the commands wait for that.
    refiling->cancelled = true;
    emit refiled(false);
}

int SavedList::countMoves(const RateSet &rates) const
{
    const Routing routing = routingFor(rates);
    int moves = 0;
    for (int group = 0; group < groupCount(); ++group) {
        if (group == RateTabs::all)
            continue;
        const QHash<QString, int> &texts = groups.at(group).rateTexts;
        for (auto text = texts.cbegin(); text != texts.cend(); ++text) {
            if (routing.value(text.key()) != group)
                moves += text.value();
        }
    }
    return moves;
}

// The group of each rate text that the rows have: a handful of texts.
SavedList::Routing SavedList::routingFor(const RateSet &rates) const
{
    Routing routing;
    for (const Group &group : groups) {
        for (auto text = group.rateTexts.cbegin(); text != group.rateTexts.cend(); ++text) {
            if (!routing.contains(text.key()))
                routing.insert(text.key(), RateTabs::forRate(text.key(), rates));
        }
    }
    return routing;
}

std::shared_ptr<SavedList::Refiling> SavedList::prepareRefiling(const RateSet &rates,
                                                                const QStringList &groupNames) const
{
    auto job = std::make_shared<Refiling>();
    job->rates = rates;
    job->names = groupNames;
    job->groups = groups; // shares the rows until either side changes them
    job->routing = routingFor(rates);
    return job;
}

void SavedList::refileOnAThread(std::shared_ptr<Refiling> job)
{
    refiling = job;
    refilingThread = QThread::create([this, job] {
        job->workOut();
        QMetaObject::invokeMethod(this, &SavedList::endRefiling, Qt::QueuedConnection);
        job->taken.acquire();
        job->changed.clear();
        job->discarded.clear();
    });
    refilingThread->start();
}

void SavedList::endRefiling()
{
    const std::shared_ptr<Refiling> job = std::exchange(refiling, {});
    // The thread of the re-filing before has long let go of its groups.
    if (lettingGoThread)
        lettingGoThread->wait();
    delete std::exchange(lettingGoThread, std::exchange(refilingThread, nullptr));
    const bool followed = !job->cancelled;
    if (followed)
        takeRefiled(*job);
    job->taken.release();
    if (followed)
        emit refiled(true);
    runWaitingCommands();
}

// The new groups in place of the old ones, all at once.
void SavedList::takeRefiled(Refiling &job)
{
    bool anyChange = false;
    if (job.names.size() == names.size() && job.names != names) {
        names = job.names;
        anyChange = true;
    }
    filingRates = job.rates;
    for (Refiling::Result &result : job.changed) {
        job.discarded << std::exchange(groups[result.group], std::move(result.filed));
        const Group &before = job.discarded.constLast();
        rowCount += int(groups.at(result.group).rows.size() - before.rows.size());
        fileBytes += result.bytes;
        tellRefiled(result.group, before, groups.at(result.group), result.runs);
        anyChange = true;
    }
    deletions.clear();
    if (anyChange)
        emit changed();
}

// The views are told of the rows that left and came, now that the group holds
// its new rows: a group that lost rows in many runs is read again as a whole.
void SavedList::tellRefiled(int group, const Group &before, const Group &after,
                            const QList<std::pair<int, int>> &runs)
{
    if (runs.size() > mostRemovalsTold) {
        emit groupReset(group);
        emit totalsChanged(group);
        return;
    }
    qsizetype left = 0;
    // From the last run back, so that the rows of the others stay put.
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        emit rowsRemoved(group, run->first, before.rows.mid(run->first, run->second));
        left += run->second;
    }
    const int coming = int(after.rows.size() - (before.rows.size() - left));
    if (coming > 0)
        emit rowsInserted(group, int(after.rows.size()) - coming, coming);
    emit totalsChanged(group);
}

void SavedList::Refiling::workOut()
{
    QList<QList<int>> leaving(groups.size());
    for (int group = 0; group < groups.size() && !cancelled; ++group) {
        leaving[group] = rowsLeaving(group);
        ++stepsDone;
    }
    const QList<EntryGroup> coming = rowsComing(leaving);
    for (int group = 0; group < groups.size() && !cancelled; ++group) {
        if (!leaving.at(group).isEmpty() || !coming.at(group).isEmpty())
            changed << refiled(group, leaving.at(group), coming.at(group));
        ++stepsDone;
    }
    groups.clear();
}

// The rows of a group, in order, that the rates file elsewhere. "Όλα" keeps
// every row.
QList<int> SavedList::Refiling::rowsLeaving(int group) const
{
    QList<int> rows;
    if (group == RateTabs::all)
        return rows;
    const Group &g = groups.at(group);
    QSet<QString> leavingTexts;
    for (auto text = g.rateTexts.cbegin(); text != g.rateTexts.cend(); ++text) {
        if (routing.value(text.key()) != group)
            leavingTexts.insert(text.key());
    }
    if (leavingTexts.isEmpty())
        return rows;
    for (int row = 0; row < g.rows.size() && !givenUp(row); ++row) {
        if (leavingTexts.contains(g.rows.at(row).fpa))
            rows << row;
    }
    return rows;
}

// The rows that each group takes in, in their order in "Όλα", leaving out
// those that it holds already or takes from another group too.
QList<EntryGroup> SavedList::Refiling::rowsComing(const QList<QList<int>> &leaving) const
{
    QList<EntryGroup> coming(groups.size());
    if (cancelled || std::all_of(leaving.cbegin(), leaving.cend(), [](const QList<int> &rows) {
            return rows.isEmpty();
        }))
        return coming;

    std::unordered_map<Entry, int, EntryHash> placeInAll;
    const EntryGroup &all = groups.at(RateTabs::all).rows;
    placeInAll.reserve(size_t(all.size()));
    for (int row = 0; row < all.size() && !givenUp(row); ++row)
        placeInAll.emplace(all.at(row), row);

    struct Move {
        int placeInAll;
        int order; // among the moves, for rows that "Όλα" lacks
        const Entry *entry;
    };
    QList<QList<Move>> moves(groups.size());
    int order = 0;
    for (int group = 0; group < groups.size(); ++group) {
        for (int row : leaving.at(group)) {
            const Entry &entry = groups.at(group).rows.at(row);
            const auto found = placeInAll.find(entry);
            const int place = found == placeInAll.end() ? INT_MAX : found->second;
            moves[routing.value(entry.fpa)] << Move{place, order++, &entry};
        }
    }
    for (int group = 0; group < groups.size() && !cancelled; ++group) {
        QList<Move> &into = moves[group];
        std::sort(into.begin(), into.end(), [](const Move &a, const Move &b) {
            return std::tie(a.placeInAll, a.order) < std::tie(b.placeInAll, b.order);
        });
        // A row that stays in the group has the group's rate, so a row coming
        // in that the group holds is one that stays.
        std::unordered_set<Entry, EntryHash> taken;
        for (const Move &move : into) {
            if (!groups.at(group).holds(*move.entry) && taken.insert(*move.entry).second)
                coming[group] << *move.entry;
        }
    }
    return coming;
}

SavedList::Refiling::Result SavedList::Refiling::refiled(int group, const QList<int> &leaving,
                                                         const EntryGroup &coming) const
{
    Result result{group, groups.at(group), {}, 0};
    Group &g = result.filed;
    EntryGroup kept;
    kept.reserve(g.rows.size() - leaving.size() + coming.size());
    auto next = leaving.cbegin();
    for (int row = 0; row < g.rows.size(); ++row) {
        const Entry &entry = g.rows.at(row);
        if (next == leaving.cend() || *next != row) {
            kept << entry;
            continue;
        }
        g.uncount(entry);
        result.bytes -= bytesOf(entry);
        if (!result.runs.isEmpty()
            && result.runs.constLast().first + result.runs.constLast().second == row)
            ++result.runs.last().second;
        else
            result.runs.append({row, 1});
        ++next;
    }
    for (const Entry &entry : coming) {
        g.count(entry);
        result.bytes += bytesOf(entry);
    }
    kept << coming;
    g.rows = std::move(kept);
    return result;
}

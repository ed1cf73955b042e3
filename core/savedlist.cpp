#include "savedlist.h"

#include "entrydate.h"
#include "listfile.h"
#include "rateset.h"
#include "ratetabs.h"

#include <QSet>

#include <algorithm>
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
    qint64 bytes = 80 + (entry.date.isEmpty() ? 0 : 8 + entry.date.size());
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

} // namespace

SavedList::SavedList(const QStringList &groupNames, QObject *parent)
    : QObject(parent)
    , names(groupNames)
    , groups(groupNames.size())
{
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
    changed();
}

void SavedList::addEntry(const Entry &given)
{
    Entry entry = given;
    if (entry.date.isEmpty())
        entry.date = EntryDate::now();
    [&] {
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
    }();
}

void SavedList::removeRow(int group, int row)
{
    Group &g = groups[group];
    if (row < 0 || row >= g.rows.size())
        return;
    const Entry entry = g.rows.takeAt(row);
    forget(g, entry);
    deletions << Deletion{group, row, {entry}};
    emit rowsRemoved(group, row, {entry});
    emit totalsChanged(group);
    changed();
}

void SavedList::removeAll(int group)
{
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
    changed();
}

void SavedList::undo()
{
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
    group.totals.add(entry);
    ++group.hashes[hashOf(entry)];
    ++group.rateTexts[entry.fpa];
}

void SavedList::forget(Group &group, const Entry &entry)
{
    --rowCount;
    fileBytes -= bytesOf(entry);
    group.totals.remove(entry);
    const auto found = group.hashes.find(hashOf(entry));
    if (found != group.hashes.end() && --*found == 0)
        group.hashes.erase(found);
    const auto rate = group.rateTexts.find(entry.fpa);
    if (rate != group.rateTexts.end() && --*rate == 0)
        group.rateTexts.erase(rate);
}

void SavedList::followRates(const RateSet &rates, const QStringList &groupNames)
{
    [&] {
        bool anyChange = false;
        if (groupNames.size() == names.size() && groupNames != names) {
            names = groupNames;
            anyChange = true;
        }
        Routing routing;
        QList<QList<int>> leaving(groups.size());
        for (int group = 0; group < groupCount(); ++group)
            leaving[group] = rowsLeaving(group, rates, routing);
        const QList<EntryGroup> coming = rowsComing(leaving, rates, routing);
        for (int group = 0; group < groupCount(); ++group) {
            if (leaving.at(group).isEmpty() && coming.at(group).isEmpty())
                continue;
            refileGroup(group, leaving.at(group), coming.at(group));
            anyChange = true;
        }
        deletions.clear();
        if (anyChange)
            changed();
    }();
}

int SavedList::countMoves(const RateSet &rates) const
{
    Routing routing;
    int moves = 0;
    for (int group = 0; group < groupCount(); ++group) {
        if (group == RateTabs::all)
            continue;
        const QHash<QString, int> &texts = groups.at(group).rateTexts;
        for (auto text = texts.cbegin(); text != texts.cend(); ++text) {
            if (groupFor(text.key(), rates, routing) != group)
                moves += text.value();
        }
    }
    return moves;
}

int SavedList::groupFor(const QString &fpa, const RateSet &rates, Routing &routing)
{
    const auto known = routing.constFind(fpa);
    return known != routing.cend() ? *known : *routing.insert(fpa, RateTabs::forRate(fpa, rates));
}

// The rows of a group, in order, that the rates file elsewhere. "Όλα" keeps
// every row.
QList<int> SavedList::rowsLeaving(int group, const RateSet &rates, Routing &routing) const
{
    QList<int> rows;
    if (group == RateTabs::all)
        return rows;
    const Group &g = groups.at(group);
    QSet<QString> leavingTexts;
    for (auto text = g.rateTexts.cbegin(); text != g.rateTexts.cend(); ++text) {
        if (groupFor(text.key(), rates, routing) != group)
            leavingTexts.insert(text.key());
    }
    if (leavingTexts.isEmpty())
        return rows;
    for (int row = 0; row < g.rows.size(); ++row) {
        if (leavingTexts.contains(g.rows.at(row).fpa))
            rows << row;
    }
    return rows;
}

// The rows that each group takes in, in their order in "Όλα", leaving out
// those that it holds already or takes from another group too.
QList<EntryGroup> SavedList::rowsComing(const QList<QList<int>> &leaving, const RateSet &rates,
                                        Routing &routing) const
{
    QList<EntryGroup> coming(groups.size());
    if (std::all_of(leaving.cbegin(), leaving.cend(),
                    [](const QList<int> &rows) { return rows.isEmpty(); }))
        return coming;

    std::unordered_map<Entry, int, EntryHash> placeInAll;
    const EntryGroup &all = entries(RateTabs::all);
    placeInAll.reserve(size_t(all.size()));
    for (int row = 0; row < all.size(); ++row)
        placeInAll.emplace(all.at(row), row);

    struct Move {
        int placeInAll;
        int order; // among the moves, for rows that "Όλα" lacks
        const Entry *entry;
    };
    QList<QList<Move>> moves(groups.size());
    int order = 0;
    for (int group = 0; group < groupCount(); ++group) {
        for (int row : leaving.at(group)) {
            const Entry &entry = groups.at(group).rows.at(row);
            const auto found = placeInAll.find(entry);
            const int place = found == placeInAll.end() ? INT_MAX : found->second;
            moves[groupFor(entry.fpa, rates, routing)] << Move{place, order++, &entry};
        }
    }
    for (int group = 0; group < groupCount(); ++group) {
        QList<Move> &into = moves[group];
        std::sort(into.begin(), into.end(), [](const Move &a, const Move &b) {
            return std::tie(a.placeInAll, a.order) < std::tie(b.placeInAll, b.order);
        });
        // A row that stays in the group has the group's rate, so a row coming
        // in that the group holds is one that stays.
        std::unordered_set<Entry, EntryHash> taken;
        for (const Move &move : into) {
            if (!contains(group, *move.entry) && taken.insert(*move.entry).second)
                coming[group] << *move.entry;
        }
    }
    return coming;
}

void SavedList::refileGroup(int group, const QList<int> &leaving, const EntryGroup &coming)
{
    Group &g = groups[group];
    // The leaving rows as runs of neighbours: first row and count.
    QList<std::pair<int, int>> runs;
    for (int row : leaving) {
        if (!runs.isEmpty() && runs.constLast().first + runs.constLast().second == row)
            ++runs.last().second;
        else
            runs.append({row, 1});
    }

    if (runs.size() <= mostRemovalsTold) {
        // From the last run back, so that the rows of the others stay put.
        for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
            const EntryGroup removed = g.rows.mid(run->first, run->second);
            g.rows.remove(run->first, run->second);
            for (const Entry &entry : removed)
                forget(g, entry);
            emit rowsRemoved(group, run->first, removed);
        }
        if (!coming.isEmpty())
            insertRows(group, int(g.rows.size()), coming); // tells of the totals too
        else
            emit totalsChanged(group);
        return;
    }

    EntryGroup kept;
    kept.reserve(g.rows.size() - leaving.size() + coming.size());
    auto next = leaving.cbegin();
    for (int row = 0; row < g.rows.size(); ++row) {
        if (next != leaving.cend() && *next == row) {
            forget(g, g.rows.at(row));
            ++next;
        } else {
            kept << g.rows.at(row);
        }
    }
    for (const Entry &entry : coming)
        remember(g, entry);
    kept << coming;
    g.rows = std::move(kept);
    emit groupReset(group);
    emit totalsChanged(group);
}

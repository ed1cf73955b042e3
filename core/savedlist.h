#pragma once

#include "entry.h"
#include "rateset.h"
#include "totals.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QThread;

// The saved calculations, in eight groups: "Όλα" holds every entry, one group
// each of the six preset rates it is given, and "Λοιπά" the others. It keeps the rules of
// the list (where an entry goes, that no group holds an entry twice, what a
// deletion removes and Ctrl+Z brings back), the running totals, and how much
// its file may hold. Whoever keeps it in a file learns of every change by
// changed() and takes the rows to write from content().
//
// Views follow it by its signals, group by group, and read the rows with
// entries(); row i of a view is row i of its group.
class SavedList : public QObject
{
    Q_OBJECT

public:
    // The rows are filed under those rates, in groups of those names.
    SavedList(const RateSet &rates, const QStringList &groupNames, QObject *parent = nullptr);
    ~SavedList() override;

    int groupCount() const { return int(groups.size()); }
    QStringList groupNames() const { return names; }
    // The preset rates that the rows are filed under.
    const RateSet &rates() const { return filingRates; }
    const EntryGroup &entries(int group) const { return groups.at(group).rows; }
    bool contains(int group, const Entry &entry) const;
    // The running sums of a group, up to date with every change.
    const GroupTotals &totals(int group) const { return groups.at(group).totals; }
    // Those rows of a group as lines of four tab-separated texts, which a
    // spreadsheet takes as rows and columns.
    QString textOf(int group, const QList<int> &rows) const;

    // The rows of every group, as a file keeps them.
    QList<EntryGroup> content() const;

    // Puts rows, as they come, at the end of a group: those of a file being
    // read, or of an import. One rowsInserted() tells of them. Neither
    // duplicates nor the room in the file are looked at: a file's reader
    // hands over no more than the file may hold.
    void appendRows(int group, const EntryGroup &rows);

    // The commands. While a re-filing runs they wait, and are carried out in
    // order once it has ended.
    //
    // Files the entry in the group of its rate, unless that group holds it,
    // and in "Όλα", unless that holds it; entryFiled() tells where it is.
    // A list that would grow past what the file can hold and be read back
    // takes nothing more: full() tells of it. An entry without a date gets
    // the moment of the call.
    void addEntry(const Entry &entry);
    // Removes one row, or every row of a group; rowsRemoved() or groupReset()
    // tell of it.
    void removeRow(int group, int row);
    void removeAll(int group);
    // Puts back the rows of the latest removal where they were, leaving out
    // those that their group holds again; deletionUndone() tells of it.
    void undo();
    // Whether undo() has a removal to put back.
    bool canUndo() const { return !deletions.isEmpty(); }

    // Files the rows again under new preset rates, with the groups' new
    // names: a row of a rate's group whose rate is no longer that group's
    // goes to the group of its rate, and a row of the other rates whose rate
    // is now a preset goes to that preset's group. The rows that stay keep
    // their order; those that come in follow them in their order in "Όλα"
    // (rows that "Όλα" no longer holds last), and one that its new group
    // holds already is not put in twice. "Όλα" stays as it is. The removals
    // kept for undo() are given up: they were made in the groups as they
    // were.
    //
    // The new groups are worked out on a thread of their own, from a copy,
    // and taken in all at once; refiled() tells when. Until then the rows,
    // the rates and the names are as they were, and the commands wait.
    void followRates(const RateSet &rates, const QStringList &groupNames);
    // Gives up the re-filing under way: the list keeps its rows, rates and
    // names, and refiled(false) follows at once.
    void cancelRefiling();
    bool isRefiling() const;
    // How far the re-filing under way is, of refilingSteps().
    int refilingStepsDone() const;
    int refilingSteps() const { return 2 * groupCount(); }
    // Files the rows again at once under the list's own rates and names:
    // rows read from a file filed under other rates.
    void refileAtOnce();
    // How many rows followRates() would take out of their group now.
    int countMoves(const RateSet &rates) const;

signals:
    // The rows or the groups' names changed: the file lacks the change.
    void changed();
    void rowsInserted(int group, int first, int count);
    // After the rows have gone; removed holds them.
    void rowsRemoved(int group, int first, const EntryGroup &removed);
    // Every row of the group may have changed: read it again.
    void groupReset(int group);
    // The group's rows, and so its totals, changed.
    void totalsChanged(int group);

    // After addEntry(): the entry's row in the group of its rate, which had it
    // already unless isNew.
    void entryFiled(int group, int row, bool isNew);
    // After undo(): count rows were put back into the group at row.
    void deletionUndone(int group, int row, int count);
    // An entry, or the rows of an undo, were left out: the file could not
    // hold them.
    void full();
    // A re-filing ended: the groups follow the new rates, or, when it was
    // given up, the old ones still.
    void refiled(bool followed);

private:
    // The rows of a group, and how many of them have each hash, so that a
    // look for an entry walks the rows only when the group is likely to
    // hold it.
    struct Group {
        EntryGroup rows;
        QHash<size_t, int> hashes;
        // How many rows have each rate text: a handful of texts, so that new
        // rates are judged text by text rather than row by row.
        QHash<QString, int> rateTexts;
        GroupTotals totals;

        // What is known of the rows, for an entry that comes or goes.
        void count(const Entry &entry);
        void uncount(const Entry &entry);
        bool holds(const Entry &entry) const;
    };
    // The group of each rate text under the rates being followed, as found.
    using Routing = QHash<QString, int>;
    struct Deletion {
        int group;
        int row;
        EntryGroup entries;
    };

    struct Refiling;

    void afterRefiling(std::function<void()> command);
    void runWaitingCommands();
    static int groupFor(const QString &fpa, const RateSet &rates, Routing &routing);
    Routing routingFor(const RateSet &rates) const;
    std::shared_ptr<Refiling> prepareRefiling(const RateSet &rates,
                                              const QStringList &groupNames) const;
    void refileOnAThread(std::shared_ptr<Refiling> job);
    void endRefiling();
    void takeRefiled(Refiling &job);
    void tellRefiled(int group, const Group &before, const Group &after,
                     const QList<std::pair<int, int>> &runs);
    void insertRows(int group, int row, const EntryGroup &entries);
    bool hasRoomFor(const EntryGroup &entries) const;
    void remember(Group &group, const Entry &entry);
    void forget(Group &group, const Entry &entry);
    int findRow(int group, const Entry &entry) const;

    QStringList names;
    QList<Group> groups;
    // All the rows, and about how many bytes of the file they take.
    int rowCount = 0;
    qint64 fileBytes = 0;
    // What was deleted in this run, the latest last, for Ctrl+Z.
    QList<Deletion> deletions;
    // The commands that came during a re-filing, to be carried out after it.
    QList<std::function<void()>> waitingCommands;
    RateSet filingRates;
    // The re-filing under way on its thread, if any.
    std::shared_ptr<Refiling> refiling;
    QThread *refilingThread = nullptr;
    // The thread of the latest re-filing, letting go of the old groups.
    QThread *lettingGoThread = nullptr;
};

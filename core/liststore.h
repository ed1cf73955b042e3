#pragma once

#include "entry.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QThread;
class QTimer;

// What list.xml holds: the names of the groups and their rows.
struct ListContent {
    QStringList groupNames;
    QList<EntryGroup> groups;
};

// The saved list's file, list.xml. It is read, and written in the background,
// on a thread of its own, so that a long list never holds up the window; a
// save at once is written on the caller's thread, after a background write
// that is running. Writes never overlap, and a write that has been overtaken
// by a newer one is dropped.
//
// The file is read once, first; until then nothing is written. Afterwards
// every change is written about a second after the first of a burst. Before
// the file is first replaced, whatever the list did not read of it is kept in
// a copy beside it, "list.<kind>-<n>.xml"; no write replaces it until that
// copy has been made.
class ListStore : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Loading, // the file is being read; nothing is written meanwhile
        Clean,   // the file holds the list
        Changed, // the list has changed since; it is written soon
        Saving,  // being written in the background
        Failed   // the last write failed
    };
    enum class Outcome {
        Missing,   // no file yet
        Complete,  // read to its end
        Unreadable // not a regular file, or not readable to its end
    };

    // The content to write, taken on the GUI thread when a write starts.
    using Snapshot = std::function<ListContent()>;

    ListStore(const QString &path, Snapshot snapshot, QObject *parent = nullptr);
    // Waits for a write that is running; a reader that does not stop within
    // a moment is left to end with the process.
    ~ListStore() override;

    State state() const { return current; }
    QString location() const { return filePath; }

    // Starts reading the file's groups of those names.
    void startLoading(const QStringList &groupNames);
    enum class Take { Part, NothingYet, Finished };
    // The next part of rows read, in the order of the file.
    Take takePart(int &group, EntryGroup &rows);
    // Waits until a part is there or the file is read, at most until the
    // deadline; false when the deadline came first.
    bool waitForPart(QDeadlineTimer deadline);
    // Once takePart() has said Finished: the file holds the list as read.
    Outcome loadingEnded();
    // The names that the file gave its groups, in order; they tell the rates
    // its rows were filed under.
    QStringList groupNamesRead() const;

    // Counts a change of the list, to be written soon.
    void noteChange();
    bool fileLacksChanges() const { return changes != savedChanges; }
    // Writes the list in the background now, changed or not.
    void writeSoon();
    // Writes the list at once; on failure, reason receives why.
    bool writeNow(QString *reason = nullptr);
    // The user gave up the changes not written: nothing more is written.
    void stopWriting();
    bool hasStoppedWriting() const { return givenUp; }
    // True once after each failure since the last write that worked: a
    // failure is told to the user once.
    bool claimFailureNotice();

    // The reasons, in the user's language, for which the list refuses to
    // replace the file.
    static QString notAPlainFileReason();
    static QString noCopyReason();

signals:
    // Parts of the file are waiting to be taken, or it has been read to its
    // end.
    void partsWaiting();
    // A background write failed, and the list has changes that the file
    // lacks; sent once until a write works again.
    void saveFailed(const QString &reason);

private:
    struct Shared;
    void writeInBackground();
    void writtenInBackground(int number, bool written, const QString &reason);

    const QString filePath;
    const Snapshot snapshot;
    std::shared_ptr<Shared> shared; // with the thread, which may outlive this
    QThread *thread;
    QObject *worker; // lives on the thread
    QTimer *autosaveTimer;
    State current = State::Clean;
    int changes = 0;
    int savedChanges = 0;
    int changesBeingSaved = 0;
    bool failureTold = false;
    bool givenUp = false;
};

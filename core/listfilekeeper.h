#pragma once

#include "entry.h"
#include "safefile.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QThread;
class SavedList;

// The saved list's file, list.xml, and the one who keeps it in step with the
// list. It is read, and written, on a thread of its own, so that a long list
// never holds up the window: the rows read are put into the list from the
// event loop a slice at a time, and the commands given meanwhile wait and are
// carried out in order once every row is in. Writes never overlap, and a write
// that has been overtaken by a newer one is dropped.
//
// The file is read once, first; until then nothing is written. Afterwards
// every change is written about a second after the first of a burst, and a
// change made while a write runs is written after it. A failed write is told
// once, until a write works again. Before the file is first replaced,
// whatever the list did not read of it is kept in a copy beside it,
// "list.<kind>-<n>.xml"; no write replaces it until that copy has been made.
class ListFileKeeper : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Unread,             // not read yet: nothing is written
        Loading,            // being read; commands wait, nothing is written
        Clean,              // the file holds the list
        Changed,            // the list has changed since; written soon
        Saving,             // being written, the list unchanged since the write began
        ChangedWhileSaving, // being written, and changed since: written again after
        Failed,             // a write failed, the file lacks changes, and that was told
        Retrying,           // the same, and the list changed since: written soon
        GivenUp             // the user gave up what the file lacks: nothing more is written
    };
    Q_ENUM(State)

    ListFileKeeper(const QString &path, SavedList &list, QObject *parent = nullptr);
    // Waits for a write that is running; a reader that does not stop within
    // a moment is left to end with the process.
    ~ListFileKeeper() override;

    // list.xml in the user's data folder.
    static QString standardPath();

    QString path() const { return filePath; }
    SavedList &list() const { return saved; }
    State state() const { return current; }

    // Starts reading the file into the list, which is empty; loaded() follows
    // when every row is in. Only the first call reads.
    void load();
    bool isLoaded() const { return current != State::Unread && current != State::Loading; }
    // Carries out a command on the list now, or once every row is in.
    void whenLoaded(std::function<void()> command);

    // Writes the list in the background now, changed or not.
    void saveSoon();
    // Writes the list now, after the rows still being read are in, waiting
    // for both at most until the deadline; on failure, failure receives why.
    // A list never read, or whose changes were given up, is not written.
    bool saveNow(QDeadlineTimer deadline, WriteFailure *failure = nullptr);
    // Whether the list has changes that the file lacks, also those waiting
    // for the loading to end.
    bool hasUnsavedChanges() const;
    // The user gave up the changes not written: nothing more is written.
    void giveUp();
    // True once after each failure since the last write that worked, while
    // the file lacks changes: a failure is told to the user once.
    bool takeFailureNotice();

signals:
    void loaded();
    void stateChanged(ListFileKeeper::State state);
    // A write in the background failed while the file lacks changes; sent
    // once until a write works again.
    void saveFailed(const WriteFailure &failure);
    // A write in the background ended; failure tells why one failed.
    void writeEnded(bool written, const WriteFailure &failure);

private:
    struct Shared;
    void setState(State state);
    void noteChange();
    void fillSomeRows();
    bool takeRows(bool wait, QDeadlineTimer deadline);
    bool finishLoading(QDeadlineTimer deadline);
    void endLoading();
    void writeInBackground();
    int startWrite();
    void writtenInBackground(int number, bool written, const WriteFailure &failure);

    const QString filePath;
    SavedList &saved;
    std::shared_ptr<Shared> shared; // with the thread, which may outlive this
    QThread *thread;
    QObject *worker; // lives on the thread
    QTimer autosaveTimer;
    QTimer fillTimer;
    State current = State::Unread;
    // What the file lacked when the running write began: Clean, Changed,
    // Failed or Retrying.
    State beforeWrite = State::Clean;
    // The part of the file being put into the list, and how much of it is in.
    int partGroup = 0;
    EntryGroup part;
    int partDone = 0;
    QList<std::function<void()>> waitingCommands;
};

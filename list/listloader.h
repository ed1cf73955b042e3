#pragma once

#include "entry.h"
#include "listfile.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Reads list.xml on a thread of its own and hands its rows over in parts, so
// that the window can put them into its tables a few at a time and repaint in
// between.
class ListLoader : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Missing,   // no file yet
        Complete,  // read to its end
        Unreadable // not a regular file (never opened), or not readable to its end
    };

    explicit ListLoader(QObject *parent = nullptr);
    ~ListLoader() override; // waits for the reading thread

    // Told, on the reading thread, of a file that was read to its end,
    // before the last part is handed over: whether the file holds exactly
    // what writing its rows back would store, with the groups named so.
    using CompleteFile = std::function<void(bool holdsWhatWasRead)>;

    // Starts reading the rows of the groups from the file.
    void start(const QString &path, const QStringList &groupNames, CompleteFile completeFile);

    enum class Take { Part, NothingYet, Finished };
    // The next part of rows read; with wait, blocks until one is there or the
    // file is read to its end.
    Take takePart(int &group, EntryGroup &rows, bool wait);
    // Known once takePart() has said Finished.
    Outcome outcome() const;

signals:
    // Sent from the reading thread when parts wait to be taken, or the
    // reading has ended.
    void partsWaiting();

private:
    void read(const QString &path, const QStringList &groupNames, const CompleteFile &completeFile);
    void push(int group, EntryGroup &&rows);
    void finish(Outcome result);

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<int, EntryGroup>> parts;
    bool finished = false;
    Outcome result = Outcome::Missing;
    std::thread reading;
};

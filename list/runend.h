#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class ListFileKeeper;
struct WriteFailure;
class QWidget;
class WaitIndicator;

// How the run ends for the saved list, whichever way it ends: each way writes
// the list once more, through this one function, and tells the user of a
// failure where the way allows it.
class RunEnd : public QObject
{
    Q_OBJECT

public:
    enum class Ending {
        // The calculator is closed: a failure asks whether to try again or
        // to close without saving. A long write goes on in the background
        // with a note over the window, which closes once it is over.
        WindowClosed,
        // The desktop's session ends, and its manager lets the program ask
        // or not: a failure is told once.
        SessionEnds,
        SessionEndsQuietly,
        // The program quits by another way than closing its window.
        Quitting,
        // The process is told to end: it saves, within a bound, and ends
        // without closing its windows, which would ask again.
        Signalled
    };

    // Boxes go over the window that boxParent gives; window is the one whose
    // closing ends the run.
    RunEnd(ListFileKeeper &keeper, QWidget *window, std::function<QWidget *()> boxParent);
    ~RunEnd() override;

    // For WindowClosed, whether the window may close now; otherwise true.
    bool end(Ending how);

private:
    enum class Phase { Running, Writing, Over };

    bool closeWindow();
    bool writeBeforeClosing();
    void writtenInBackground(const WriteFailure &failure);
    bool retryOrGiveUp(const WriteFailure &failure);
    void finish();
    void saveAtOnce(int waitMs, bool mayTell);
    void tell(const WriteFailure &failure);

    ListFileKeeper &keeper;
    QWidget *window;
    std::function<QWidget *()> boxParent;
    Phase phase = Phase::Running;
    QTimer noteLater;
    std::unique_ptr<WaitIndicator> note;
};

#include "runend.h"

#include "app/waitindicator.h"
#include "core/listfilekeeper.h"
#include "savefailurebox.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QWidget>

namespace {

// How long closing holds the window for the write before it lets it go on in
// the background: a frame. A write that lasts half a second shows a note.
const int closingWaitMs = 16;
const int noteAfterMs = 500;
// How long the end of the session, quitting and an ending signal wait for the
// rest of the file to be read and the list written: a program told to end is
// gone within that.
const int endingWaitMs = 5000;

} // namespace

RunEnd::RunEnd(ListFileKeeper &keeper, QWidget *window, std::function<QWidget *()> boxParent)
    : QObject(window)
    , keeper(keeper)
    , window(window)
    , boxParent(std::move(boxParent))
{
    noteLater.setSingleShot(true);
    noteLater.setInterval(noteAfterMs);
    connect(&noteLater, &QTimer::timeout, this, [this] {
        note = std::make_unique<WaitIndicator>(std::initializer_list<QWidget *>{}, this->window,
                                               tr("Αποθήκευση της λίστας…"));
    });
    connect(
        &keeper, &ListFileKeeper::writeEnded, this,
        [this](bool, const WriteFailure &failure) { writtenInBackground(failure); },
        Qt::QueuedConnection);
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        // The desktop's log-out asks before the changes are given up.
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &session) {
            end(session.allowsInteraction() ? Ending::SessionEnds : Ending::SessionEndsQuietly);
        });
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { end(Ending::Quitting); });
    }
}

RunEnd::~RunEnd() = default;

bool RunEnd::end(Ending how)
{
    switch (how) {
    case Ending::WindowClosed: return closeWindow();
    case Ending::SessionEnds: saveAtOnce(endingWaitMs, true); break;
    case Ending::SessionEndsQuietly: saveAtOnce(endingWaitMs, false); break;
    case Ending::Quitting:
        if (phase != Phase::Over && keeper.hasUnsavedChanges())
            saveAtOnce(endingWaitMs, false);
        break;
    case Ending::Signalled:
        if (phase != Phase::Over)
            saveAtOnce(endingWaitMs, false);
        finish();
        QCoreApplication::exit(0);
        break;
    }
    return true;
}

void RunEnd::saveAtOnce(int waitMs, bool mayTell)
{
    WriteFailure failure;
    if (!keeper.saveNow(QDeadlineTimer(waitMs), &failure) && mayTell && keeper.hasUnsavedChanges()
        && keeper.takeFailureNotice())
        tell(failure);
}

bool RunEnd::closeWindow()
{
    if (phase != Phase::Running)
        return phase == Phase::Over;
    // A list not read, or read and unchanged, is in its file already.
    const ListFileKeeper::State state = keeper.state();
    if (state == ListFileKeeper::State::Unread || state == ListFileKeeper::State::GivenUp
        || (state == ListFileKeeper::State::Loading && !keeper.hasUnsavedChanges())) {
        phase = Phase::Over;
        return true;
    }
    phase = Phase::Writing;
    noteLater.start();
    return writeBeforeClosing();
}

// Whether the list has been written, or given up; otherwise the writing goes
// on in the background.
bool RunEnd::writeBeforeClosing()
{
    WriteFailure failure;
    if (keeper.saveNow(QDeadlineTimer(closingWaitMs), &failure)) {
        finish();
        return true;
    }
    // Going on in the background, a failure is not told as an autosave's is:
    // closing asks instead.
    switch (keeper.state()) {
    case ListFileKeeper::State::Loading:
        keeper.whenLoaded([&written = keeper] {
            written.saveSoon();
            written.takeFailureNotice();
        });
        return false;
    case ListFileKeeper::State::Saving:
    case ListFileKeeper::State::ChangedWhileSaving: keeper.takeFailureNotice(); return false;
    default: return retryOrGiveUp(failure);
    }
}

void RunEnd::writtenInBackground(const WriteFailure &failure)
{
    if (phase != Phase::Writing)
        return;
    switch (keeper.state()) {
    case ListFileKeeper::State::Clean:
        finish();
        window->close();
        break;
    case ListFileKeeper::State::Failed:
    case ListFileKeeper::State::Retrying:
        if (retryOrGiveUp(failure))
            window->close();
        break;
    default: break; // changed meanwhile: written again
    }
}

// Asks, until the list is written or the user closes without saving; false
// when the writing goes on in the background.
bool RunEnd::retryOrGiveUp(const WriteFailure &failure)
{
    // Nothing of this run is lost: the file holds what it held.
    if (!keeper.hasUnsavedChanges()) {
        finish();
        return true;
    }
    note.reset();
    if (SaveFailureBox::askToRetry(boxParent(), keeper.path(), failure))
        return writeBeforeClosing();
    keeper.giveUp();
    finish();
    return true;
}

void RunEnd::finish()
{
    phase = Phase::Over;
    noteLater.stop();
    note.reset();
}

void RunEnd::tell(const WriteFailure &failure)
{
    SaveFailureBox::tell(boxParent(), keeper.path(), failure);
}

#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;

#include <initializer_list>

// The About and Contact dialogs talk to the maker's site in one way: they
// disable their buttons, send the request, wait for the whole answer in a
// local event loop (the dialog keeps repainting and shows the busy cursor),
// judge it, tell the user, and enable their buttons again.
//
// The site is reached over plain HTTP, so whatever answers is not trusted:
// an answer is read up to a fixed size, the whole exchange has a deadline,
// a message is never sent twice, and closing the dialog ends the wait.
namespace WebRequest {

// The largest answer that is read; a longer one is cut off and is a failure.
constexpr qint64 maxReplyBytes = 64 * 1024;

// What came back from the site.
struct Reply {
    // No usable answer: the network layer reported an error (including the
    // transfer timeout), the answer was too large or too slow to arrive in
    // time, the server answered with a redirect that was not followed, or the
    // wait was cancelled.
    bool failed = true;
    // The dialog was closed, or the program is ending, while it waited: the
    // user is no longer there to be told anything.
    bool cancelled = false;
    QByteArray body;
};

// A GET of the address; redirects are followed as far as the toolkit deems safe.
Reply get(QWidget *dialog, const QString &address);
// A POST of an application/x-www-form-urlencoded body. A redirect is a
// failure: following it would drop the body and still look like success.
// The body is sent at most once, even where the connection breaks.
Reply postForm(QWidget *dialog, const QString &address, const QByteArray &body);

// How long a transfer may go without progress before it fails; 30 s unless
// changed (tests shorten it).
void setTransferTimeout(int milliseconds);
// How long a whole exchange may take, however steadily the server trickles;
// 30 s unless changed (tests shorten it).
void setDeadline(int milliseconds);

// Keeps widgets disabled for the lifetime of the guard: across the wait and
// the report that follows it.
class DisabledWhileBusy
{
public:
    explicit DisabledWhileBusy(std::initializer_list<QWidget *> widgets);
    ~DisabledWhileBusy();

    DisabledWhileBusy(const DisabledWhileBusy &) = delete;
    DisabledWhileBusy &operator=(const DisabledWhileBusy &) = delete;

private:
    QList<QPointer<QWidget>> widgets;
};

// Says what the dialog waits for, and that Escape ends the wait, in a note
// over the middle of a widget, for the lifetime of the guard: a dialog whose
// buttons are disabled must not look frozen.
class WaitNote
{
public:
    WaitNote(QWidget *over, const QString &text);
    ~WaitNote();

    WaitNote(const WaitNote &) = delete;
    WaitNote &operator=(const WaitNote &) = delete;

private:
    QPointer<QLabel> note;
};

} // namespace WebRequest

#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <initializer_list>

// The About and Contact dialogs talk to the maker's site in one way: they
// disable their buttons, send the request, wait for the whole answer in a
// local event loop (the dialog keeps repainting), judge it, tell the user,
// and enable their buttons again.
namespace WebRequest {

// What came back from the site.
struct Reply {
    // No usable answer: the network layer reported an error (including the
    // transfer timeout), or the server answered with a redirect that was not
    // followed.
    bool failed = true;
    QByteArray body;
};

// A GET of the address; redirects are followed as far as the toolkit deems safe.
Reply get(QObject *owner, const QString &address);
// A POST of an application/x-www-form-urlencoded body. A redirect is a
// failure: following it would drop the body and still look like success.
Reply postForm(QObject *owner, const QString &address, const QByteArray &body);

// How long a transfer may go without progress before it fails; 30 s unless
// changed (tests shorten it).
void setTransferTimeout(int milliseconds);

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

} // namespace WebRequest

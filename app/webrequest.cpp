#include "webrequest.h"

#include <QAccessible>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstring>
#include <functional>

namespace WebRequest {

namespace {

int &currentTransferTimeout()
{
    static int timeout = QNetworkRequest::DefaultTransferTimeoutConstant;
    return timeout;
}

int &currentDeadline()
{
    static int deadline = 30 * 1000;
    return deadline;
}

// A request body that can be read once only. When a connection breaks before
// the answer, the network layer rewinds the body to send the request again;
// this one refuses, which turns the resend into a failure, so that one press
// of a button never delivers a message twice.
class OneShotBody : public QIODevice
{
public:
    explicit OneShotBody(const QByteArray &bytes)
        : bytes(bytes)
    {
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override
    {
        return bytes.size() - offset + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *to, qint64 maxSize) override
    {
        const qint64 count = qMin(maxSize, bytes.size() - offset);
        std::memcpy(to, bytes.constData() + offset, size_t(count));
        offset += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray bytes;
    qint64 offset = 0;
};

// Tells when the dialog is closed: by its own buttons, Escape or the window's
// close button, all of which hide it. Minimising it does not count.
class CloseWatcher : public QObject
{
public:
    CloseWatcher(QWidget *dialog, std::function<void()> onClosed)
        : dialog(dialog)
        , onClosed(std::move(onClosed))
    {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == dialog && event->type() == QEvent::Hide && !dialog->isVisible())
            onClosed();
        return false;
    }

private:
    QWidget *dialog;
    std::function<void()> onClosed;
};

// Shows the busy cursor over the dialog for the lifetime of the guard.
class BusyCursor
{
public:
    explicit BusyCursor(QWidget *widget)
        : widget(widget)
        , hadOwnCursor(widget->testAttribute(Qt::WA_SetCursor))
        , ownCursor(widget->cursor())
    {
        widget->setCursor(Qt::BusyCursor);
    }
    ~BusyCursor()
    {
        if (!widget)
            return;
        if (hadOwnCursor)
            widget->setCursor(ownCursor);
        else
            widget->unsetCursor();
    }

    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    QPointer<QWidget> widget;
    const bool hadOwnCursor;
    const QCursor ownCursor;
};

QNetworkRequest requestFor(const QString &address)
{
    QNetworkRequest request{QUrl(address)};
    request.setTransferTimeout(currentTransferTimeout());
    return request;
}

bool announcesTooMuch(const QNetworkReply *reply)
{
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() && length.toLongLong() > maxReplyBytes;
}

// Waits for the reply and reads its body as it arrives, never more than the
// cap, and never beyond the deadline or the dialog's closing.
Reply waitFor(QWidget *dialog, QNetworkReply *reply)
{
    enum class Stop { No, TooLarge, TooSlow, Broken, Cancelled };
    Stop stop = Stop::No;
    QByteArray body;

    // The network layer then reads no further ahead of the dialog than this.
    reply->setReadBufferSize(maxReplyBytes + 1);
    const auto stopWith = [&](Stop reason) {
        if (stop == Stop::No)
            stop = reason;
        reply->abort();
    };
    const auto readSome = [&] {
        if (stop != Stop::No || !reply->isOpen()) // an aborted transfer is closed
            return;
        body += reply->read(maxReplyBytes + 1 - body.size());
        if (body.size() > maxReplyBytes)
            stopWith(Stop::TooLarge);
    };

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // Some errors, such as a compressed body that unpacks far too large, are
    // reported without the reply ever finishing: it gets a moment to finish.
    QTimer afterError;
    afterError.setSingleShot(true);
    afterError.setInterval(1000);
    QObject::connect(&afterError, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::errorOccurred, &afterError,
                     qOverload<>(&QTimer::start));
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, readSome);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        if (announcesTooMuch(reply))
            stopWith(Stop::TooLarge);
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    // A reply that has come in whole is not undone while the wait is still
    // unwinding (another dialog's event loop may hold it up).
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        if (!reply->isFinished())
            stopWith(Stop::TooSlow);
    });
    deadline.start(currentDeadline());
    const CloseWatcher closing(dialog, [&] {
        if (!reply->isFinished())
            stopWith(Stop::Cancelled);
    });
    const BusyCursor busy(dialog);

    if (!reply->isFinished())
        loop.exec();
    // The wait also ends, with the reply unfinished, when the program quits
    // (which ends every event loop) or when an error was left unfinished.
    if (!reply->isFinished())
        stopWith(reply->error() == QNetworkReply::NoError ? Stop::Cancelled : Stop::Broken);
    readSome();

    Reply result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool redirected = status >= 300 && status < 400;
    result.cancelled = stop == Stop::Cancelled;
    result.failed = stop != Stop::No || reply->error() != QNetworkReply::NoError || redirected;
    if (!result.failed)
        result.body = body;
    delete reply;
    return result;
}

} // namespace

// The manager is made for this one request and left to the dialog that owns
// it, which is the parent of everything the request leaves behind.
Reply get(QWidget *dialog, const QString &address)
{
    auto *manager = new QNetworkAccessManager(dialog);
    const Reply reply = waitFor(dialog, manager->get(requestFor(address)));
    // A dialog that is shown again and again keeps no manager per request.
    manager->deleteLater();
    return reply;
}

Reply postForm(QWidget *dialog, const QString &address, const QByteArray &body)
{
    QNetworkRequest request = requestFor(address);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Sent straight from the one-shot body rather than from a copy that the
    // network layer could rewind and send again.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    OneShotBody oneShot(body);
    auto *manager = new QNetworkAccessManager(dialog);
    const Reply reply = waitFor(dialog, manager->post(request, &oneShot));
    manager->deleteLater();
    return reply;
}

void setTransferTimeout(int milliseconds)
{
    currentTransferTimeout() = milliseconds;
}

void setDeadline(int milliseconds)
{
    currentDeadline() = milliseconds;
}

DisabledWhileBusy::DisabledWhileBusy(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *widget : widgets) {
        widget->setEnabled(false);
        this->widgets.append(widget);
    }
}

// Enabled again in the opposite order, the last disabled first.
DisabledWhileBusy::~DisabledWhileBusy()
{
    for (auto it = widgets.crbegin(); it != widgets.crend(); ++it) {
        if (*it)
            (*it)->setEnabled(true);
    }
}

WaitNote::WaitNote(QWidget *over, const QString &text)
{
    QWidget *dialog = over->window();
    note = new QLabel(text, dialog);
    note->setObjectName(QStringLiteral("waitNote"));
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignCenter);
    note->setMargin(8);
    // The window's own colours, framed in its text colour: readable on a
    // light and on a dark desktop alike.
    note->setFrameShape(QFrame::Box);
    note->setAutoFillBackground(true);
    note->setBackgroundRole(QPalette::Window);
    note->setForegroundRole(QPalette::WindowText);

    const int margin = 10;
    const int width = qMin(note->sizeHint().width(), dialog->width() - 2 * margin);
    QRect place(QPoint(), QSize(width, note->heightForWidth(width)));
    place.moveCenter(QRect(over->mapTo(dialog, QPoint()), over->size()).center());
    place.moveLeft(qBound(margin, place.left(), dialog->width() - margin - place.width()));
    place.moveTop(qMax(margin, qMin(place.top(), dialog->height() - margin - place.height())));
    note->setGeometry(place);
    note->show();
    note->raise();
    QAccessibleEvent shown(note, QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
}

WaitNote::~WaitNote()
{
    delete note;
}

} // namespace WebRequest

#include "networksiteclient.h"

#include "core/formencoding.h"

#include <QNetworkReply>
#include <QUrl>

#include <cstring>
#include <utility>

namespace {

using Failure = SiteClient::Failure;
constexpr qint64 maxReplyBytes = SiteClient::maxReplyBytes;

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

bool announcesTooMuch(const QNetworkReply *reply)
{
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() && length.toLongLong() > maxReplyBytes;
}

} // namespace

NetworkSiteClient::NetworkSiteClient(Done report)
    : report(std::move(report))
{
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, this, [this] { conclude(Failure::TooSlow); });
    afterError.setSingleShot(true);
    afterError.setInterval(1000);
    connect(&afterError, &QTimer::timeout, this, [this] { conclude(Failure::Network); });
}

NetworkSiteClient::~NetworkSiteClient()
{
    cancel();
}

QNetworkRequest NetworkSiteClient::requestFor(const QString &address, Limits limits) const
{
    QNetworkRequest request{QUrl(address)};
    request.setTransferTimeout(limits.transferTimeout);
    return request;
}

void NetworkSiteClient::checkVersion(const QString &address, Limits limits)
{
    cancel();
    start(manager.get(requestFor(address, limits)), limits);
}

void NetworkSiteClient::sendMessage(const QString &address, const QString &message,
                                    const QString &version, Limits limits)
{
    cancel();
    const QByteArray form = FormEncoding::encode(
        {{QStringLiteral("message"), message}, {QStringLiteral("version"), version}});
    QNetworkRequest request = requestFor(address, limits);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, form.size());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Sent straight from the one-shot body rather than from a copy that the
    // network layer could rewind and send again.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    auto *oneShot = new OneShotBody(form);
    QNetworkReply *posted = manager.post(request, oneShot);
    // The network layer reads the body until the reply is gone.
    connect(posted, &QObject::destroyed, oneShot, [oneShot] { delete oneShot; });
    start(posted, limits);
}

void NetworkSiteClient::start(QNetworkReply *started, Limits limits)
{
    reply = started;
    body.clear();
    // The network layer then reads no further ahead than this. A request
    // with a body starts only once control is back in the event loop, and the
    // size given before it started is lost, so the network layer would read
    // on without bound, faster than the answer is handed over: it is given
    // again just after the start.
    reply->setReadBufferSize(maxReplyBytes + 1);
    QMetaObject::invokeMethod(
        reply, [started] { started->setReadBufferSize(maxReplyBytes + 1); }, Qt::QueuedConnection);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (announcesTooMuch(reply))
            conclude(Failure::TooLarge);
    });
    connect(reply, &QNetworkReply::readyRead, this, [this] {
        if (readOverCap())
            conclude(Failure::TooLarge);
    });
    connect(reply, &QNetworkReply::finished, this,
            [this] { conclude(readOverCap() ? std::optional(Failure::TooLarge) : std::nullopt); });
    connect(reply, &QNetworkReply::errorOccurred, &afterError, qOverload<>(&QTimer::start));
    deadline.start(limits.deadline);
}

// Reads what has arrived, never more than one byte over the cap.
bool NetworkSiteClient::readOverCap()
{
    if (reply->isOpen()) // an aborted transfer is closed
        body += reply->read(maxReplyBytes + 1 - body.size());
    return body.size() > maxReplyBytes;
}

// Ends the exchange and tells how it went: the reason given, or the reply's
// own verdict once it has finished.
void NetworkSiteClient::conclude(std::optional<Failure> reason)
{
    if (!reply)
        return;
    QNetworkReply *done = release();
    if (!reason && done->error() != QNetworkReply::NoError)
        reason = Failure::Network;
    const int status = done->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!reason && status >= 300 && status < 400)
        reason = Failure::Redirected;
    report(reason, std::exchange(body, QByteArray()));
}

void NetworkSiteClient::cancel()
{
    if (reply)
        release();
    body.clear();
}

// Lets go of the reply, stopping its transfer if it still runs; it is deleted
// once the event that is being handled is over.
QNetworkReply *NetworkSiteClient::release()
{
    QNetworkReply *done = std::exchange(reply, nullptr);
    deadline.stop();
    afterError.stop();
    done->disconnect(this);
    done->disconnect(&afterError);
    if (!done->isFinished())
        done->abort();
    done->deleteLater();
    return done;
}

#include "webrequest.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace WebRequest {

namespace {

int &currentTransferTimeout()
{
    static int timeout = QNetworkRequest::DefaultTransferTimeoutConstant;
    return timeout;
}

QNetworkRequest requestFor(const QString &address)
{
    QNetworkRequest request{QUrl(address)};
    request.setTransferTimeout(currentTransferTimeout());
    return request;
}

Reply waitFor(QNetworkReply *reply)
{
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    Reply result;
    if (reply->isOpen()) // an aborted transfer, such as a timed-out one, is closed
        result.body = reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool redirected = status >= 300 && status < 400;
    result.failed = reply->error() != QNetworkReply::NoError || redirected;
    delete reply;
    return result;
}

} // namespace

// The manager is made for this one request and left to the dialog that owns
// it, which is the parent of everything the request leaves behind.
Reply get(QObject *owner, const QString &address)
{
    auto *manager = new QNetworkAccessManager(owner);
    return waitFor(manager->get(requestFor(address)));
}

Reply postForm(QObject *owner, const QString &address, const QByteArray &body)
{
    QNetworkRequest request = requestFor(address);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    auto *manager = new QNetworkAccessManager(owner);
    return waitFor(manager->post(request, body));
}

void setTransferTimeout(int milliseconds)
{
    currentTransferTimeout() = milliseconds;
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

} // namespace WebRequest

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Talks to the maker's site for a dialog, one exchange at a time, without
// blocking: the dialog starts a request and hears the outcome by a signal.
//
// The site is reached over plain HTTP, so whatever answers is not trusted:
// an answer is read up to a fixed size, the whole exchange has a deadline,
// and a message is never sent twice.
//
// The network code, with the libraries it brings, is the site module (see
// app/moduleloader.h), loaded when the first client is made: the calculator
// starts without it. Where the module cannot be loaded, every request fails
// as if the network were down.
class SiteClient : public QObject
{
    Q_OBJECT

public:
    // Why an exchange gave no usable answer.
    enum class Failure {
        Network, // reported by the network layer, the transfer timeout included
        TooLarge,
        TooSlow,    // the deadline passed, however steadily the server trickled
        Redirected, // a redirect that was not followed
    };
    Q_ENUM(Failure)

    // The largest answer that is read; a longer one is cut off and is a failure.
    static constexpr qint64 maxReplyBytes = 64 * 1024;

    // A client for a dialog, loading the site module the first time.
    static SiteClient *create(QObject *parent);

    // A GET of the version record; redirects are followed as far as the
    // toolkit deems safe. Answers with versionAnswered() or failed().
    virtual void checkVersion(const QString &address) = 0;
    // A POST of the message and the version as a form. A redirect is a
    // failure: following it would drop the message and still look like
    // success. The message goes at most once, even where the connection
    // breaks. Answers with messageSent() or failed().
    virtual void sendMessage(const QString &address, const QString &message,
                             const QString &version) = 0;
    // Ends the exchange under way, if any, with no signal.
    virtual void cancel() = 0;
    virtual bool isBusy() const = 0;

    // How long a transfer may go without progress before it fails (30 s),
    // from the next exchange on.
    void setTransferTimeout(int milliseconds) { transferTimeoutMs = milliseconds; }
    // How long a whole exchange may take (30 s), from the next exchange on.
    void setDeadline(int milliseconds) { deadlineMs = milliseconds; }

signals:
    void versionAnswered(const QByteArray &record);
    // The answer may be empty: the site took the message and said nothing.
    void messageSent(const QByteArray &answer);
    void failed(SiteClient::Failure reason);

protected:
    explicit SiteClient(QObject *parent);
    int transferTimeout() const { return transferTimeoutMs; }
    int deadline() const { return deadlineMs; }

private:
    int transferTimeoutMs = 30 * 1000;
    int deadlineMs = 30 * 1000;
};

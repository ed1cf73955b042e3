#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QNetworkReply;

// Talks to the maker's site for a dialog, one exchange at a time, without
// blocking: the dialog starts a request and hears the outcome by a signal.
//
// The site is reached over plain HTTP, so whatever answers is not trusted:
// an answer is read up to a fixed size, the whole exchange has a deadline,
// and a message is never sent twice.
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

    explicit SiteClient(QObject *parent = nullptr);
    ~SiteClient() override;

    // A GET of the version record; redirects are followed as far as the
    // toolkit deems safe. Answers with versionAnswered() or failed().
    void checkVersion(const QString &address);
    // A POST of the message and the version as a form. A redirect is a
    // failure: following it would drop the message and still look like
    // success. The message goes at most once, even where the connection
    // breaks. Answers with messageSent() or failed().
    void sendMessage(const QString &address, const QString &message, const QString &version);
    // Ends the exchange under way, if any, with no signal.
    void cancel();
    bool isBusy() const { return reply != nullptr; }

    // How long a transfer may go without progress before it fails (30 s).
    void setTransferTimeout(int milliseconds) { transferTimeout = milliseconds; }
    // How long a whole exchange may take (30 s).
    void setDeadline(int milliseconds) { deadlineMs = milliseconds; }

signals:
    void versionAnswered(const QByteArray &record);
    // The answer may be empty: the site took the message and said nothing.
    void messageSent(const QByteArray &answer);
    void failed(SiteClient::Failure reason);

private:
    using AnswerSignal = void (SiteClient::*)(const QByteArray &);

    QNetworkRequest requestFor(const QString &address) const;
    void start(QNetworkReply *started, AnswerSignal answered);
    bool readOverCap();
    void conclude(std::optional<Failure> reason);
    QNetworkReply *release();

    QNetworkAccessManager manager;
    QNetworkReply *reply = nullptr;
    AnswerSignal answerSignal = nullptr;
    QByteArray body;
    QTimer deadline;
    // Some errors, such as a compressed body that unpacks far too large, are
    // reported without the reply ever finishing: it gets a moment to finish.
    QTimer afterError;
    int transferTimeout = QNetworkRequest::DefaultTransferTimeoutConstant;
    int deadlineMs = 30 * 1000;
};

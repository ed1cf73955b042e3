#pragma once

#include "sitemodule.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QNetworkReply;

// The site module's exchange (see SiteClient): one request at a time through
// the toolkit's network layer, the answer read up to SiteClient::maxReplyBytes
// within the deadline.
class NetworkSiteClient : public QObject, public SiteExchange
{
    Q_OBJECT

public:
    explicit NetworkSiteClient(Done report);
    ~NetworkSiteClient() override;

    void checkVersion(const QString &address, Limits limits) override;
    void sendMessage(const QString &address, const QString &message, const QString &version,
                     Limits limits) override;
    void cancel() override;
    bool isBusy() const override { return reply != nullptr; }

private:
    QNetworkRequest requestFor(const QString &address, Limits limits) const;
    void start(QNetworkReply *started, Limits limits);
    bool readOverCap();
    void conclude(std::optional<SiteClient::Failure> reason);
    QNetworkReply *release();

    const Done report;
    QNetworkAccessManager manager;
    QNetworkReply *reply = nullptr;
    QByteArray body;
    QTimer deadline;
    // Some errors, such as a compressed body that unpacks far too large, are
    // reported without the reply ever finishing: it gets a moment to finish.
    QTimer afterError;
};

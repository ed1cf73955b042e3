#pragma once

#include "siteclient.h"

#include <QByteArray>
#include <QString>
#include <QtPlugin>

#include <functional>
#include <memory>
#include <optional>

// The network side of a SiteClient, as the site module makes it: the client
// hands each request on and turns the outcome into its signals. Plain C++
// rather than a QObject of the module, so that the client's signals and type
// stay the program's own.
class SiteExchange
{
public:
    // How an exchange ended: the reason it failed, or else the answer.
    using Done =
        std::function<void(std::optional<SiteClient::Failure> failure, const QByteArray &answer)>;
    struct Limits {
        int transferTimeout; // without progress, in milliseconds
        int deadline;        // for the whole exchange, in milliseconds
    };

    virtual ~SiteExchange() = default;
    // As SiteClient's functions of the same names, each ending in one call
    // of the Done given to the module, unless cancelled first.
    virtual void checkVersion(const QString &address, Limits limits) = 0;
    virtual void sendMessage(const QString &address, const QString &message, const QString &version,
                             Limits limits) = 0;
    virtual void cancel() = 0;
    virtual bool isBusy() const = 0;
};

class SiteModule
{
public:
    virtual ~SiteModule() = default;
    virtual std::unique_ptr<SiteExchange> newExchange(SiteExchange::Done done) const = 0;
};

#define SiteModule_iid "example.korvex.metrino.SiteModule/1"
Q_DECLARE_INTERFACE(SiteModule, SiteModule_iid)

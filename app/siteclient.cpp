#include "siteclient.h"

#include "moduleloader.h"
#include "sitemodule.h"

#include <QTimer>
#include <QtDebug>

namespace {

// Hands the requests on to the site module's exchange.
class ModuleSiteClient : public SiteClient
{
public:
    ModuleSiteClient(const SiteModule *module, QObject *parent)
        : SiteClient(parent)
        , exchange(
              module->newExchange([this](std::optional<Failure> failure, const QByteArray &answer) {
                  if (failure)
                      emit failed(*failure);
                  else
                      emit(this->*answerSignal)(answer);
              }))
    {
    }

    void checkVersion(const QString &address) override
    {
        exchange->cancel();
        answerSignal = &SiteClient::versionAnswered;
        exchange->checkVersion(address, limits());
    }
    void sendMessage(const QString &address, const QString &message,
                     const QString &version) override
    {
        exchange->cancel();
        answerSignal = &SiteClient::messageSent;
        exchange->sendMessage(address, message, version, limits());
    }
    void cancel() override { exchange->cancel(); }
    bool isBusy() const override { return exchange->isBusy(); }

private:
    SiteExchange::Limits limits() const { return {transferTimeout(), deadline()}; }

    void (SiteClient::*answerSignal)(const QByteArray &) = nullptr;
    const std::unique_ptr<SiteExchange> exchange;
};

// Stands in where the site module cannot be loaded: every request fails as a
// network failure would, once control is back in the event loop, so that the
// dialog shows its usual text.
class UnavailableSiteClient : public SiteClient
{
public:
    explicit UnavailableSiteClient(QObject *parent)
        : SiteClient(parent)
    {
        failure.setSingleShot(true);
        failure.setInterval(0);
        connect(&failure, &QTimer::timeout, this, [this] { emit failed(Failure::Network); });
    }

    void checkVersion(const QString &) override { failure.start(); }
    void sendMessage(const QString &, const QString &, const QString &) override
    {
        failure.start();
    }
    void cancel() override { failure.stop(); }
    bool isBusy() const override { return failure.isActive(); }

private:
    QTimer failure;
};

} // namespace

SiteClient::SiteClient(QObject *parent)
    : QObject(parent)
{
}

SiteClient *SiteClient::create(QObject *parent)
{
    QString reason;
    if (const SiteModule *module =
            ModuleLoader::load<SiteModule>(QStringLiteral(METRINO_SITE_MODULE), &reason))
        return new ModuleSiteClient(module, parent);
    qWarning().noquote() << reason;
    return new UnavailableSiteClient(parent);
}

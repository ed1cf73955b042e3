#pragma once

#include "sitemodule.h"

#include <QObject>

// The site module's entry: exchanges through the toolkit's network layer.
class NetworkSiteModule : public QObject, public SiteModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID SiteModule_iid)
    Q_INTERFACES(SiteModule)

public:
    std::unique_ptr<SiteExchange> newExchange(SiteExchange::Done done) const override;
};

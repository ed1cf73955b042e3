#include "networksitemodule.h"

#include "networksiteclient.h"

std::unique_ptr<SiteExchange> NetworkSiteModule::newExchange(SiteExchange::Done done) const
{
    return std::make_unique<NetworkSiteClient>(std::move(done));
}

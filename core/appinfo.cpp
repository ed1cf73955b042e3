#include "appinfo.h"

#include "buildconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace AppInfo {

namespace {
QUrl &currentSite()
{
    static QUrl site(QStringLiteral(METRINO_SITE));
    return site;
}
} // namespace

QString organisationName()
{
    return QStringLiteral("Korvex");
}
QString applicationName()
{
    return QStringLiteral("metrino");
}
QString version()
{
    return QStringLiteral(METRINO_VERSION);
}

QUrl siteUrl()
{
    return currentSite();
}

void setSiteUrl(const QUrl &url)
{
    currentSite() = url;
}

QUrl siteUrl(const QString &path)
{
    QUrl url = currentSite();
    url.setPath(path);
    return url;
}

QString organisationDomain()
{
    return currentSite().host();
}

void applyIdentity()
{
    QCoreApplication::setOrganizationName(organisationName());
    QCoreApplication::setOrganizationDomain(organisationDomain());
    QCoreApplication::setApplicationName(applicationName());
}

QString dataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder;
}

} // namespace AppInfo

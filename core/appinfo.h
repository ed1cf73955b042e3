#pragma once

#include <QString>
#include <QUrl>

// Who the program is: the identity under which the toolkit files the settings
// and the saved list, the version, and the maker's web site that the About and
// Contact dialogs talk to.
namespace AppInfo {

QString organisationName();
QString applicationName();
QString version();

// The maker's web site, "scheme://host[:port]"; fixed at build time.
QUrl siteUrl();
// Points the dialogs at another site, such as a local server in a test run.
void setSiteUrl(const QUrl &url);
// An address below the maker's web site, e.g. siteUrl("/licenses/lgpl-2.1.txt").
QUrl siteUrl(const QString &path);
// The site's host name, used as the organisation domain.
QString organisationDomain();

// The per-user folder that holds the list file and the running copy's lock,
// made here when it is missing. The list's writer makes it again should it be
// removed while the program runs.
QString dataFolder();

// Gives the three identity values to the application object.
void applyIdentity();

} // namespace AppInfo

#pragma once

#include <QString>

namespace Version {

// How the site's version stands to the running one; the values are those the
// update check has always used.
enum Comparison { ServerOlder = 0, Same = 1, ServerNewer = 2 };

// Compares the first three dot-separated numbers as integers; a missing or
// non-numeric part counts as 0, and later parts are ignored.
Comparison compare(const QString &serverVersion, const QString &currentVersion);

} // namespace Version

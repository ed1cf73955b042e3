#include "version.h"

#include <QStringList>

namespace Version {

Comparison compare(const QString &serverVersion, const QString &currentVersion)
{
    const QStringList server = serverVersion.split(QLatin1Char('.'));
    const QStringList local = currentVersion.split(QLatin1Char('.'));
    for (int i = 0; i < 3; ++i) {
        const int remote = server.value(i).toInt();
        const int own = local.value(i).toInt();
        if (remote > own)
            return ServerNewer;
        if (remote < own)
            return ServerOlder;
    }
    return Same;
}

} // namespace Version

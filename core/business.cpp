#include "business.h"

#include <QSettings>

namespace {

const QString nameKey = QStringLiteral("business/name");
const QString vatNumberKey = QStringLiteral("business/vatNumber");
const QString addressKey = QStringLiteral("business/address");

// A settings value is as foreign as a file: one line, of bounded length.
QString oneLine(const QString &text)
{
    return text.left(Business::maxLength).simplified();
}

} // namespace

Business Business::fromSettings()
{
    const QSettings settings;
    return {oneLine(settings.value(nameKey).toString()),
            oneLine(settings.value(vatNumberKey).toString()),
            oneLine(settings.value(addressKey).toString())};
}

void Business::toSettings() const
{
    QSettings settings;
    const std::pair<const QString &, QString> values[] = {{nameKey, oneLine(name)},
                                                          {vatNumberKey, oneLine(vatNumber)},
                                                          {addressKey, oneLine(address)}};
    for (const auto &[key, value] : values) {
        if (value.isEmpty())
            settings.remove(key);
        else
            settings.setValue(key, value);
    }
}

QStringList Business::lines() const
{
    QStringList lines;
    if (!name.isEmpty())
        lines << name;
    if (!vatNumber.isEmpty())
        lines << tr("ΑΦΜ: %1").arg(vatNumber);
    if (!address.isEmpty())
        lines << address;
    return lines;
}

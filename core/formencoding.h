#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace FormEncoding {

// "name=value&name=value" with every name and value percent-encoded as UTF-8,
// in the order given, so that the server decodes exactly these texts.
QByteArray encode(const QList<QPair<QString, QString>> &fields);

} // namespace FormEncoding

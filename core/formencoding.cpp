#include "formencoding.h"

#include <QUrl>

namespace FormEncoding {

QByteArray encode(const QList<QPair<QString, QString>> &fields)
{
    QByteArray body;
    for (const auto &field : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(field.first) + '=' + QUrl::toPercentEncoding(field.second);
    }
    return body;
}

} // namespace FormEncoding

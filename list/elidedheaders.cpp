#include "elidedheaders.h"

#include <QHeaderView>
#include <QProxyStyle>
#include <QStyleOptionHeader>

namespace {

// The toolkit's styles draw a header's title whole, centred and clipped.
class CutTitles : public QProxyStyle
{
public:
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *header = qstyleoption_cast<const QStyleOptionHeader *>(option);
        if (element != CE_HeaderLabel || !header) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionHeader cut(*header);
        const int room = subElementRect(SE_HeaderLabel, option, widget).width();
        cut.text = option->fontMetrics.elidedText(header->text, Qt::ElideRight, room);
        QProxyStyle::drawControl(element, &cut, painter, widget);
    }
};

} // namespace

namespace ElidedHeaders {

void apply(QHeaderView *header)
{
    auto *style = new CutTitles;
    style->setParent(header);
    header->setStyle(style);
}

} // namespace ElidedHeaders

#include "listprinter.h"

#include "core/entrydate.h"
#include "core/safefile.h"
#include "core/totals.h"
#include "failuretext.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <utility>

namespace {

// The five columns share the width: price, rate, VAT, final amount, date.
// Amounts line up on the right, as an accountant reads them.
constexpr int columnCount = 5;
constexpr Qt::Alignment columnAlignments[] = {Qt::AlignRight, Qt::AlignHCenter, Qt::AlignRight,
                                              Qt::AlignRight, Qt::AlignHCenter};
// Shares of the width, after the lengths of the column titles.
constexpr qreal columnShares[] = {0.17, 0.21, 0.25, 0.17, 0.20};

const QColor ruleColour(0xa0, 0xa0, 0xa0);
const QColor ruleUnderHeadings(0x40, 0x40, 0x40);
const QColor headerShade(0xe8, 0xe8, 0xe8);

QFont fontOf(qreal pointSize, bool bold = false)
{
    QFont font;
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// The rows of one page: [first, end). A page may hold no row: the only page
// of an empty tab, or a last page for the totals alone.
using PageRows = std::pair<int, int>;

// Paints the pages of a tab on one device, in the device's own units.
class PagePainter
{
public:
    PagePainter(QPainter &painter, const ListPrinter::Content &content, const QString &title,
                const QLocale &locale);

    // Takes the sizes of the device that the painter has begun on.
    void measure();
    QList<PageRows> paginate() const;
    void paintPage(int pageIndex, const QList<PageRows> &pages);

private:
    qreal millimetres(qreal mm) const { return mm * painter.device()->logicalDpiY() / 25.4; }
    qreal heightOf(const QFont &font) const;
    QStringList totalsLines() const;
    qreal totalsHeight() const;
    qreal bodyTop() const { return headerHeight; }
    qreal bodyBottom() const { return page.height() - footerHeight; }

    void paintHeading();
    void paintBusiness();
    void paintFooter(int pageIndex, int pageCount);
    qreal paintRow(qreal top, const QStringList &cells, bool headings = false);
    void paintTotals(qreal top);

    QPainter &painter;
    const ListPrinter::Content &content;
    QString title;
    QLocale locale;
    QRectF page;
    QFont titleFont = fontOf(14, true);
    QFont bodyFont = fontOf(9.5);
    QFont boldFont = fontOf(9.5, true);
    QFont smallFont = fontOf(8);
    qreal headerHeight = 0;
    qreal footerHeight = 0;
    qreal rowHeight = 0;
    qreal padding = 0;
};

PagePainter::PagePainter(QPainter &painter, const ListPrinter::Content &content,
                         const QString &title, const QLocale &locale)
    : painter(painter)
    , content(content)
    , title(title)
    , locale(locale)
{
}

void PagePainter::measure()
{
    const QPaintDevice *device = painter.device();
    page = QRectF(0, 0, device->width(), device->height());
    padding = millimetres(2);
    headerHeight = heightOf(titleFont) + millimetres(6);
    if (!content.business.isEmpty())
        headerHeight += content.business.size() * heightOf(bodyFont) + millimetres(3);
    footerHeight = heightOf(smallFont) + millimetres(4);
    rowHeight = heightOf(bodyFont) * 1.55;
}

qreal PagePainter::heightOf(const QFont &font) const
{
    return QFontMetricsF(font, painter.device()).height();
}

// The parts of the totals on a line, broken where it is too wide only between
// them ("Τελική 1.518,51 ·" on one line, "2 χωρίς ποσό" on the next).
QStringList PagePainter::totalsLines() const
{
    const QString separator = GroupTotals::separator();
    const QFontMetricsF metrics(boldFont, painter.device());
    QStringList lines;
    for (const QString &part : content.totals) {
        const QString joined = lines.isEmpty() ? QString() : lines.last() + separator + part;
        if (!lines.isEmpty() && metrics.horizontalAdvance(joined) <= page.width()) {
            lines.last() = joined;
        } else {
            if (!lines.isEmpty())
                lines.last() += QStringLiteral(" ·");
            lines << metrics.elidedText(part, Qt::ElideRight, page.width());
        }
    }
    return lines;
}

qreal PagePainter::totalsHeight() const
{
    return millimetres(3) + totalsLines().size() * heightOf(boldFont);
}

QList<PageRows> PagePainter::paginate() const
{
    const qreal tableRoom = bodyBottom() - bodyTop() - rowHeight; // under the column titles
    const int rowsPerPage = qMax(1, int(tableRoom / rowHeight));
    const int rowCount = int(content.rows.size());
    QList<PageRows> pages;
    int first = 0;
    do {
        const int end = qMin(rowCount, first + rowsPerPage);
        pages.append({first, end});
        first = end;
    } while (first < rowCount);

    const PageRows last = pages.last();
    const qreal used = rowHeight * (1 + last.second - last.first);
    if (bodyTop() + used + totalsHeight() > bodyBottom())
        pages.append({rowCount, rowCount});
    return pages;
}

void PagePainter::paintPage(int pageIndex, const QList<PageRows> &pages)
{
    paintHeading();
    const auto [first, end] = pages.at(pageIndex);
    const bool totalsAlone = first == end && !content.rows.isEmpty();
    qreal top = bodyTop();
    if (!totalsAlone)
        top = paintRow(top, content.headers, true);
    for (int row = first; row < end; ++row) {
        const Entry &entry = content.rows.at(row);
        top = paintRow(top, {entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso,
                             EntryDate::shown(entry.date)});
    }
    if (pageIndex == pages.size() - 1)
        paintTotals(top);
    paintFooter(pageIndex, int(pages.size()));
}

void PagePainter::paintHeading()
{
    const qreal lineHeight = heightOf(titleFont);
    const QRectF line(0, 0, page.width(), lineHeight);
    painter.setPen(Qt::black);
    painter.setFont(smallFont);
    const QString date = locale.toString(content.date, QLocale::LongFormat);
    painter.drawText(line, Qt::AlignRight | Qt::AlignBottom, date);
    const qreal dateWidth = QFontMetricsF(smallFont, painter.device()).horizontalAdvance(date);
    painter.setFont(titleFont);
    const QFontMetricsF metrics(titleFont, painter.device());
    const qreal titleRoom = page.width() - dateWidth - millimetres(5);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignBottom,
                     metrics.elidedText(title, Qt::ElideRight, titleRoom));
    const qreal ruleY = lineHeight + millimetres(1.5);
    painter.setPen(QPen(Qt::black, millimetres(0.35)));
    painter.drawLine(QPointF(0, ruleY), QPointF(page.width(), ruleY));
    paintBusiness();
}

// Whose list it is, a line each for the name, the ΑΦΜ and the address,
// under the title's rule.
void PagePainter::paintBusiness()
{
    const QFontMetricsF metrics(bodyFont, painter.device());
    qreal top = heightOf(titleFont) + millimetres(3);
    for (int i = 0; i < content.business.size(); ++i) {
        painter.setFont(i == 0 ? boldFont : bodyFont);
        painter.setPen(Qt::black);
        const QRectF line(0, top, page.width(), heightOf(bodyFont));
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(content.business.at(i), Qt::ElideRight, line.width()));
        top = line.bottom();
    }
}

void PagePainter::paintFooter(int pageIndex, int pageCount)
{
    const QString number = ListPrinter::tr("Σελίδα %1 από %2")
                               .arg(locale.toString(pageIndex + 1), locale.toString(pageCount));
    painter.setPen(Qt::black);
    painter.setFont(smallFont);
    const QRectF line(0, page.height() - heightOf(smallFont), page.width(), heightOf(smallFont));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignBottom, number);
}

// One line of the table, or its column titles, with a rule below; returns
// where the next line starts.
qreal PagePainter::paintRow(qreal top, const QStringList &cells, bool headings)
{
    const QRectF band(0, top, page.width(), rowHeight);
    if (headings)
        painter.fillRect(band, headerShade);
    qreal left = 0;
    for (int column = 0; column < columnCount; ++column) {
        const qreal width = page.width() * columnShares[column];
        // The final amount stands out, as in the list window.
        const QFont &font = headings || column == 3 ? boldFont : bodyFont;
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QRectF cell = QRectF(left, top, width, rowHeight).adjusted(padding, 0, -padding, 0);
        const QString text = QFontMetricsF(font, painter.device())
                                 .elidedText(cells.value(column), Qt::ElideRight, cell.width());
        painter.drawText(cell, columnAlignments[column] | Qt::AlignVCenter, text);
        left += width;
    }
    painter.setPen(headings ? QPen(ruleUnderHeadings, millimetres(0.25))
                            : QPen(ruleColour, millimetres(0.1)));
    painter.drawLine(band.bottomLeft(), band.bottomRight());
    return band.bottom();
}

void PagePainter::paintTotals(qreal top)
{
    painter.setPen(QPen(Qt::black, millimetres(0.35)));
    painter.drawLine(QPointF(0, top), QPointF(page.width(), top));
    painter.setFont(boldFont);
    qreal lineTop = top + millimetres(3);
    for (const QString &line : totalsLines()) {
        const QRectF room(0, lineTop, page.width(), heightOf(boldFont));
        painter.drawText(room, Qt::AlignLeft | Qt::AlignTop, line);
        lineTop = room.bottom();
    }
}

} // namespace

ListPrinter::ListPrinter(Content content, const QLocale &locale)
    : content(std::move(content))
    , locale(locale)
{
}

QString ListPrinter::title() const
{
    const QString title = tr("Φ.Π.Α. μετρίνο: %1").arg(content.tabTitle);
    return content.period.isEmpty() ? title : title + QStringLiteral(" · ") + content.period;
}

void ListPrinter::useA4(QPagedPaintDevice *device)
{
    device->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
}

struct ListPrinter::Run::State {
    State(const ListPrinter::Content &content, const QString &title, const QLocale &locale)
        : content(content)
        , pagePainter(painter, this->content, title, locale)
    {
    }

    QPagedPaintDevice *device = nullptr;
    QPainter painter;
    const ListPrinter::Content content;
    PagePainter pagePainter;
    QList<PageRows> pages;
    int painted = 0;
};

ListPrinter::Run::Run(std::unique_ptr<State> state)
    : state(std::move(state))
{
}

ListPrinter::Run::~Run()
{
    if (state->painter.isActive())
        state->painter.end();
}

int ListPrinter::Run::pageCount() const
{
    return int(state->pages.size());
}

int ListPrinter::Run::pagesPainted() const
{
    return state->painted;
}

bool ListPrinter::Run::paintNextPage()
{
    if (atEnd())
        return true;
    if (state->painted > 0 && !state->device->newPage())
        return false;
    state->pagePainter.paintPage(state->painted++, state->pages);
    return true;
}

bool ListPrinter::Run::end()
{
    return !state->painter.isActive() || state->painter.end();
}

std::unique_ptr<ListPrinter::Run> ListPrinter::start(QPagedPaintDevice *device) const
{
    auto state = std::make_unique<Run::State>(content, title(), locale);
    // The painter measures on the device it paints on: it begins before the
    // page painter takes the page's size.
    if (!state->painter.begin(device))
        return nullptr;
    state->device = device;
    state->pagePainter.measure();
    state->pages = state->pagePainter.paginate();
    return std::unique_ptr<Run>(new Run(std::move(state)));
}

bool ListPrinter::print(QPagedPaintDevice *device) const
{
    const std::unique_ptr<Run> run = start(device);
    if (!run)
        return false;
    while (!run->atEnd()) {
        if (!run->paintNextPage())
            return false;
    }
    return run->end();
}

void ListPrinter::setUp(QPdfWriter *writer) const
{
    writer->setTitle(title());
    writer->setCreator(tr("Φ.Π.Α. μετρίνο"));
    useA4(writer);
}

bool ListPrinter::writePdf(const QString &path, QString *reason) const
{
    const auto pages = [this](QIODevice &file) {
        QPdfWriter writer(&file);
        setUp(&writer);
        return print(&writer);
    };
    WriteFailure failure;
    if (SafeFile::save(path, pages, &failure))
        return true;
    if (reason)
        *reason = failureText(failure);
    return false;
}

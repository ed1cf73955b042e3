#include "xlsxexport.h"

#include "core/entrydate.h"
#include "core/safefile.h"
#include "core/totals.h"
#include "failuretext.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <optional>

namespace XlsxExport {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(XlsxExport)
};

enum Column { PosoColumn, FpaColumn, ExtraPosoColumn, FinalPosoColumn, DateColumn, ColumnCount };
constexpr std::array<Column, 3> amountColumns = {PosoColumn, ExtraPosoColumn, FinalPosoColumn};

// The amounts of a row in cents, in column order; nothing for a row whose
// price, VAT or final amount cannot be read.
std::optional<std::array<qint64, ColumnCount>> amountsOf(const Entry &entry)
{
    std::array<qint64, ColumnCount> cents{};
    const QString *texts[] = {&entry.poso, &entry.fpa, &entry.extraPoso, &entry.finalPoso};
    for (Column column : amountColumns) {
        const std::optional<qint64> read = Totals::readCents(*texts[column]);
        if (!read)
            return std::nullopt;
        cents[column] = *read;
    }
    return cents;
}

// A sheet's name may not hold []:*?/\ and has at most 31 characters.
QByteArray sheetName(const QString &tabTitle)
{
    QString name = tabTitle.left(31);
    for (QChar &c : name) {
        if (QStringLiteral("[]:*?/\\").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    return name.isEmpty() ? QByteArrayLiteral("Λίστα") : name.toUtf8();
}

// Writes one workbook with libxlsxwriter, which writes in constant memory and
// keeps its parts in a folder of its own until it zips them.
class Sheet
{
public:
    Sheet(const QString &file, const QString &workFolder)
        : folder(QFile::encodeName(workFolder))
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = folder.data();
        book = workbook_new_opt(QFile::encodeName(file).constData(), &options);
        if (!book)
            return;
        bold = workbook_add_format(book);
        format_set_bold(bold);
        heading = workbook_add_format(book);
        format_set_bold(heading);
        format_set_bottom(heading, LXW_BORDER_THIN);
        amount = workbook_add_format(book);
        format_set_num_format(amount, "#,##0.00");
        rate = workbook_add_format(book);
        format_set_num_format(rate, "0.00");
        date = workbook_add_format(book);
        format_set_num_format(date, "d/m/yyyy hh:mm");
        sum = workbook_add_format(book);
        format_set_bold(sum);
        format_set_num_format(sum, "#,##0.00");
        format_set_top(sum, LXW_BORDER_THIN);
    }
    ~Sheet()
    {
        if (book)
            workbook_close(book);
    }

    bool write(const ListPrinter::Content &tab, QString *reason, const GoOn &goOn);

private:
    void fitColumns(const ListPrinter::Content &tab);
    void writeRow(lxw_row_t row, const Entry &entry, std::array<qint64, ColumnCount> &sums);
    void writeSums(lxw_row_t first, lxw_row_t row, const std::array<qint64, ColumnCount> &sums);
    void text(lxw_row_t row, int column, const QString &text, lxw_format *format = nullptr)
    {
        worksheet_write_string(sheet, row, lxw_col_t(column), text.toUtf8().constData(), format);
    }

    QByteArray folder;
    lxw_workbook *book = nullptr;
    lxw_worksheet *sheet = nullptr;
    lxw_format *bold = nullptr;
    lxw_format *heading = nullptr;
    lxw_format *amount = nullptr;
    lxw_format *rate = nullptr;
    lxw_format *date = nullptr;
    lxw_format *sum = nullptr;
};

bool Sheet::write(const ListPrinter::Content &tab, QString *reason, const GoOn &goOn)
{
    if (!book || !(sheet = workbook_add_worksheet(book, sheetName(tab.tabTitle).constData()))) {
        if (reason)
            *reason = Text::tr("Το βιβλίο εργασίας δεν μπόρεσε να δημιουργηθεί");
        return false;
    }
    fitColumns(tab);
    // Rows go in strictly in order: in constant memory a row is written out
    // once the next one begins.
    lxw_row_t row = 0;
    for (int i = 0; i < tab.business.size(); ++i)
        text(row++, PosoColumn, tab.business.at(i), i == 0 ? bold : nullptr);
    if (row > 0)
        ++row; // a blank row under the business
    for (int column = 0; column < tab.headers.size() && column < ColumnCount; ++column)
        text(row, column, tab.headers.at(column), heading);
    worksheet_freeze_panes(sheet, row + 1, 0);
    const lxw_row_t first = ++row;
    std::array<qint64, ColumnCount> sums{};
    for (qsizetype i = 0; i < tab.rows.size(); ++i) {
        if (goOn && i % 512 == 0 && !goOn(int(i)))
            return false;
        writeRow(row++, tab.rows.at(i), sums);
    }
    writeSums(first, row, sums);

    const lxw_error closed = workbook_close(book);
    book = nullptr;
    if (closed != LXW_NO_ERROR && reason)
        *reason = Text::tr("Η εγγραφή του βιβλίου εργασίας απέτυχε: %1")
                      .arg(QString::fromUtf8(lxw_strerror(closed)));
    return closed == LXW_NO_ERROR;
}

// Each column as wide as its title or its widest text, amounts with their
// group separators.
void Sheet::fitColumns(const ListPrinter::Content &tab)
{
    std::array<qsizetype, ColumnCount> widths{};
    for (int column = 0; column < tab.headers.size() && column < ColumnCount; ++column)
        widths[column] = tab.headers.at(column).size();
    for (const Entry &entry : tab.rows) {
        const QString *texts[] = {&entry.poso, &entry.fpa, &entry.extraPoso, &entry.finalPoso};
        for (int column = 0; column < DateColumn; ++column)
            widths[column] = std::max(widths[column], texts[column]->size() * 4 / 3);
    }
    widths[DateColumn] = std::max<qsizetype>(widths[DateColumn], 16); // "31/12/2026 23:59"
    for (int column = 0; column < ColumnCount; ++column)
        worksheet_set_column(sheet, lxw_col_t(column), lxw_col_t(column),
                             double(std::min<qsizetype>(widths[column], 60) + 2), nullptr);
}

void Sheet::writeRow(lxw_row_t row, const Entry &entry, std::array<qint64, ColumnCount> &sums)
{
    const auto cents = amountsOf(entry);
    const QString *texts[] = {&entry.poso, &entry.fpa, &entry.extraPoso, &entry.finalPoso};
    for (int column = 0; column < DateColumn; ++column) {
        const std::optional<qint64> value = column == FpaColumn ? Totals::readCents(entry.fpa)
                                            : cents ? std::optional<qint64>((*cents)[column])
                                                    : std::nullopt;
        if (value)
            worksheet_write_number(sheet, row, lxw_col_t(column), double(*value) / 100,
                                   column == FpaColumn ? rate : amount);
        else if (!texts[column]->isEmpty())
            text(row, column, *texts[column]);
    }
    if (cents) {
        for (Column column : amountColumns)
            sums[column] += (*cents)[column];
    }
    QDate day;
    QTime time;
    if (EntryDate::split(entry.date, &day, &time)) {
        lxw_datetime cell{day.year(),  day.month(),   day.day(),
                          time.hour(), time.minute(), double(time.second())};
        worksheet_write_datetime(sheet, row, DateColumn, &cell, date);
    }
}

// "Σύνολο" and the sums of the three amounts, as formulas with their values
// in the file, so that a reader that does not calculate shows them too.
void Sheet::writeSums(lxw_row_t first, lxw_row_t row, const std::array<qint64, ColumnCount> &sums)
{
    text(row, FpaColumn, QStringLiteral("Σύνολο"), bold);
    for (Column column : amountColumns) {
        const double value = double(sums[column]) / 100;
        if (row == first) { // no rows to add up
            worksheet_write_number(sheet, row, lxw_col_t(column), value, sum);
            continue;
        }
        const char letter = char('A' + column);
        const QByteArray formula = QStringLiteral("=SUM(%1%2:%1%3)")
                                       .arg(QLatin1Char(letter))
                                       .arg(first + 1)
                                       .arg(row)
                                       .toLatin1();
        worksheet_write_formula_num(sheet, row, lxw_col_t(column), formula.constData(), sum, value);
    }
}

} // namespace

bool write(const QString &path, const ListPrinter::Content &tab, QString *reason, const GoOn &goOn)
{
    QTemporaryDir work;
    if (!work.isValid()) {
        if (reason)
            *reason =
                Text::tr("Δεν βρέθηκε χώρος για τα προσωρινά αρχεία: %1").arg(work.errorString());
        return false;
    }
    const QString made = work.filePath(QStringLiteral("tab.xlsx"));
    if (!Sheet(made, work.path()).write(tab, reason, goOn))
        return false;
    // Through the same safe path as every export: the file appears whole or
    // not at all.
    QFile workbook(made);
    if (!workbook.open(QIODevice::ReadOnly)) {
        if (reason)
            *reason = workbook.errorString();
        return false;
    }
    const auto copy = [&workbook](QIODevice &device) {
        while (!workbook.atEnd()) {
            const QByteArray part = workbook.read(256 * 1024);
            if (part.isEmpty() || !SafeFile::writeAll(device, part))
                return false;
        }
        return true;
    };
    WriteFailure failure;
    if (SafeFile::save(path, copy, &failure))
        return true;
    if (reason)
        *reason = failureText(failure);
    return false;
}

} // namespace XlsxExport

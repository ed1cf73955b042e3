#include "export_bench.h"

#include "list/listexport.h"
#include "list/listprinter.h"
#include "list/totals.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

const QLocale greek(QLocale::Greek, QLocale::Greece);
const QStringList headers = {"Αρχική Τιμή", "Ποσοστό Φ.Π.Α.", "Προστιθέμενη Τιμή", "Τελική Τιμή"};

// Rows as the calculator writes them (without group separators), at the
// rates of the saved-list benchmark.
EntryGroup makeRows(int count)
{
    const QStringList rates = {"23,00", "13,00", "6,50", "9,00", "16,00", "5,00", "24,00", "17,00"};
    QLocale locale = greek;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const auto text = [&locale](double value) { return locale.toString(value, 'f', 2); };
    EntryGroup rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString &rate = rates[i % rates.size()];
        const double price = 1 + i * 0.37;
        const double vat = price * greek.toDouble(rate) / 100;
        rows << Entry{text(price), rate, text(vat), text(price + vat)};
    }
    return rows;
}

qint64 medianMs(int runs, const std::function<void()> &work)
{
    QList<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        times << clock.elapsed();
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

void line(QTextStream &out, const QString &what, qint64 ms, const QString &note)
{
    out << "  " << what.leftJustified(40) << QString::number(ms).rightJustified(6) << " ms"
        << (note.isEmpty() ? QString() : "   " + note) << '\n';
    out.flush();
}

} // namespace

void benchmarkExport(QTextStream &out, int rowCount, int pdfRowCount, int runs)
{
    QTemporaryDir folder;
    const EntryGroup rows = makeRows(rowCount);
    out << "totals, CSV and PDF of a tab, median of " << runs << " runs:\n";

    GroupTotals totals(greek);
    qint64 ms = medianMs(runs, [&] {
        totals = GroupTotals(greek);
        for (const Entry &entry : rows)
            totals.add(entry);
    });
    line(out, QString("totals of %1 rows, row by row").arg(rowCount), ms, totals.text());

    const QString csvPath = folder.filePath("tab.csv");
    ms = medianMs(runs, [&] { ListExport::save(csvPath, ListExport::csv(headers, rows)); });
    line(out, QString("CSV of %1 rows, made and written").arg(rowCount), ms,
         QString("%1 KiB").arg(QFileInfo(csvPath).size() / 1024));

    ListPrinter::Content content{"Όλα", headers, rows.first(pdfRowCount), QString(),
                                 QDate::currentDate()};
    GroupTotals pdfTotals(greek);
    for (const Entry &entry : content.rows)
        pdfTotals.add(entry);
    content.totals = pdfTotals.text();
    const ListPrinter printer(content, greek);
    const QString pdfPath = folder.filePath("tab.pdf");
    ms = medianMs(runs, [&] { printer.writePdf(pdfPath); });
    line(out, QString("PDF of %1 rows, written").arg(pdfRowCount), ms,
         QString("%1 KiB").arg(QFileInfo(pdfPath).size() / 1024));
}

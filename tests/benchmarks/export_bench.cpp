#include "export_bench.h"

#include "core/listexport.h"
#include "core/safefile.h"
#include "core/totals.h"
#include "list/exportjobs.h"
#include "list/listprinter.h"
#include "list/longjob.h"
#ifdef METRINO_XLSX
#include "list/xlsxexport.h"
#endif
#include "probe.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace {

const QLocale greek(QLocale::Greek, QLocale::Greece);
const QStringList headers = {"Αρχική Τιμή", "Ποσοστό Φ.Π.Α.", "Προστιθέμενη Τιμή", "Τελική Τιμή",
                             "Ημερομηνία"};

// Rows as the calculator writes them (without group separators), at the
// rates of the saved-list benchmark, added over a few months.
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
        const QDateTime added = QDateTime(QDate(2026, 9, 1), QTime(8, 0)).addSecs(i * 97);
        rows << Entry{text(price), rate, text(vat), text(price + vat),
                      added.toString("yyyyMMddTHHmm")};
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

ListPrinter::Content pdfContent(const EntryGroup &rows)
{
    ListPrinter::Content content{"Όλα", headers, rows, {}, QDate::currentDate()};
    GroupTotals totals(greek);
    for (const Entry &entry : content.rows)
        totals.add(entry);
    content.totals = totals.parts();
    return content;
}

// Runs the export job over a window until it ends; the time between two
// turns of the event loop is how long the window stood still.
struct Stalls {
    qint64 longestMs = 0;
    int turns = 0;
    int overAFrame = 0; // 16 ms
};

Stalls stallsOf(const ListPrinter &printer, const QString &path, qint64 *totalMs)
{
    QWidget window;
    QString reason;
    LongJob *job = ExportJobs::pdf(&window, "Εξαγωγή", path, printer, &reason);
    if (!job)
        qFatal("no PDF job: %s", qPrintable(reason));
    QEventLoop loop;
    QObject::connect(job, &LongJob::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    QElapsedTimer sinceLastTurn;
    Stalls stalls;
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const qint64 ms = sinceLastTurn.nsecsElapsed() / 1000000;
        stalls.longestMs = std::max(stalls.longestMs, ms);
        stalls.overAFrame += ms > 16;
        ++stalls.turns;
        sinceLastTurn.restart();
    });
    clock.start();
    sinceLastTurn.start();
    turns.start(0);
    job->start();
    loop.exec();
    *totalMs = clock.elapsed();
    return stalls;
}

} // namespace

void benchmarkPdfStall(QTextStream &out, int rowCount)
{
    QTemporaryDir folder;
    const ListPrinter printer(pdfContent(makeRows(rowCount)), greek);
    const QString path = folder.filePath("tab.pdf");
    out << "the window during a PDF export of " << rowCount << " rows, one run:\n";
    QElapsedTimer clock;
    clock.start();
    printer.writePdf(path);
    const qint64 allAtOnce = clock.elapsed();
    line(out, "all at once: window still, total", allAtOnce, "the whole time");
    qint64 total = 0;
    const Stalls stalls = stallsOf(printer, path, &total);
    line(out, "as a job: window still at most", stalls.longestMs,
         QString("%1 of %2 turns over 16 ms").arg(stalls.overAFrame).arg(stalls.turns));
    line(out, "as a job: total", total, QString("%1 KiB").arg(QFileInfo(path).size() / 1024));
}

PdfFigures measurePdf(int rowCount)
{
    QTemporaryDir folder;
    const ListPrinter printer(pdfContent(makeRows(rowCount)), greek);
    const QString path = folder.filePath("tab.pdf");
    PdfFigures figures;
    QElapsedTimer clock;
    clock.start();
    printer.writePdf(path);
    figures.allAtOnceMs = clock.elapsed();
    figures.longestStallMs = stallsOf(printer, path, &figures.jobMs).longestMs;
    return figures;
}

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
    ms = medianMs(runs, [&] { SafeFile::save(csvPath, ListExport::csv(headers, rows)); });
    line(out, QString("CSV of %1 rows, made and written").arg(rowCount), ms,
         QString("%1 KiB").arg(QFileInfo(csvPath).size() / 1024));

    const ListPrinter printer(pdfContent(rows.first(pdfRowCount)), greek);
    const QString pdfPath = folder.filePath("tab.pdf");
    ms = medianMs(runs, [&] { printer.writePdf(pdfPath); });
    line(out, QString("PDF of %1 rows, written").arg(pdfRowCount), ms,
         QString("%1 KiB").arg(QFileInfo(pdfPath).size() / 1024));
}

void benchmarkXlsx(QTextStream &out, int rowCount, int runs)
{
#ifdef METRINO_XLSX
    QTemporaryDir folder;
    ListPrinter::Content tab{"Όλα", headers, makeRows(rowCount), {}};
    tab.business = {"Επιχείρηση", "ΑΦΜ: 099999999", "Διεύθυνση"};
    const QString path = folder.filePath("tab.xlsx");
    const qint64 ms = medianMs(runs, [&] { XlsxExport::write(path, tab); });
    line(out, QString("Excel workbook of %1 rows, written").arg(rowCount), ms,
         QString("%1 KiB, peak memory %2 MiB")
             .arg(QFileInfo(path).size() / 1024)
             .arg(peakMemoryMiB(), 0, 'f', 1));
#else
    Q_UNUSED(rowCount);
    Q_UNUSED(runs);
    out << "built without libxlsxwriter: no Excel workbook\n";
#endif
}

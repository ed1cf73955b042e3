// Start-up, save and memory figures of the calculator.
//
//   metrino-bench [entries] [runs]     (defaults: 50000 entries, 5 runs)
//   metrino-bench --export [entries] [runs]
//   metrino-bench --xlsx [entries] [runs]
//   metrino-bench --pdf [rows]                 (default: 100000 rows)
//
// Starts, on the offscreen platform and in throw-away folders, a minimal Qt
// Widgets program, the calculator with no saved list, and the calculator with
// a list of the given number of entries (each in its rate tab and in "Όλα").
// For each it prints the median time from starting the process until its
// window is first painted and the largest peak memory; for the calculator
// also until the saved list has been read into the list window, how long
// saving the list takes, how long adding one entry to it takes, and the
// longest time the window is held up while the list is read and while a
// change is saved in the background. Then, or alone with --export, how long
// the totals and the CSV of all the list's rows and the PDF of 1,000 rows take;
// alone with --xlsx, how long the Excel workbook of "Όλα" takes, and the
// process's peak memory; alone with --pdf, the longest time the window stands
// still during a PDF export, and the export's whole time, written all at
// once and as the list window's job. (Closing is measured with the other
// waits of a long list, by metrino-rates-bench.) The list's entries have dates;
// the reader is timed on the same list without them too.

#include "calculator/mainwindow.h"
#include "core/appinfo.h"
#include "core/listfile.h"
#include "export_bench.h"
#include "list/list.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

QString listPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/list.xml";
}

void generateList(int entryCount, const QString &path, bool dated)
{
    const QStringList rates = {"23,00", "13,00", "6,50", "9,00", "16,00", "5,00", "24,00", "17,00"};
    const QLocale greek(QLocale::Greek, QLocale::Greece);
    const auto text = [&](double value) { return greek.toString(value, 'f', 2); };
    QList<EntryGroup> groups(8);
    for (int i = 0; i < entryCount; ++i) {
        const int rateIndex = i % rates.size();
        const double price = 1 + i * 0.37;
        const double vat = price * greek.toDouble(rates[rateIndex]) / 100;
        Entry entry{text(price), rates[rateIndex], text(vat), text(price + vat)};
        if (dated) {
            entry.date =
                QDateTime(QDate(2026, 9, 1), QTime(8, 0)).addSecs(i * 97).toString("yyyyMMddTHHmm");
        }
        groups[0] << entry;
        groups[rateIndex < 6 ? rateIndex + 1 : 7] << entry;
    }
    const QStringList names = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};
    QDir().mkpath(QFileInfo(path).path());
    ListFile::write(path, ListFile::serialize(names, groups));
}

struct Figures {
    QList<qint64> shownMs; // from starting the process
    QList<qint64> readyMs; // from starting the process
    QList<qint64> savedMs;
    QList<qint64> loadStallMs;
    QList<double> addMs;
    QList<qint64> autosaveStallMs;
    double peakMiB = 0;
};

template <typename T>
T median(QList<T> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Starts a probe and reads what it tells: "shown <MiB>", "ready <MiB>",
// "loadstall <ms> <MiB>", "saved <ms> <MiB>", "add <ms> <MiB>",
// "autosave <ms> <MiB>".
void runOnce(const QString &program, Figures &figures)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(program, QStringList());
    while (child.state() != QProcess::NotRunning || child.canReadLine()) {
        if (!child.canReadLine() && !child.waitForReadyRead(60000))
            break;
        const QStringList fields = QString::fromUtf8(child.readLine()).simplified().split(' ');
        const QString what = fields.value(0);
        if (what == "shown")
            figures.shownMs << clock.elapsed();
        else if (what == "ready")
            figures.readyMs << clock.elapsed();
        else if (what == "loadstall")
            figures.loadStallMs << fields.value(1).toLongLong();
        else if (what == "saved")
            figures.savedMs << fields.value(1).toLongLong();
        else if (what == "add")
            figures.addMs << fields.value(1).toDouble();
        else if (what == "autosave")
            figures.autosaveStallMs << fields.value(1).toLongLong();
        figures.peakMiB = std::max(figures.peakMiB, fields.last().toDouble());
    }
    child.waitForFinished();
}

// Runs the programs in turn, so that the machine's ups and downs fall on all
// of them alike.
QList<Figures> measure(const QStringList &programs, int runs)
{
    QList<Figures> figures(programs.size());
    for (int i = 0; i < runs; ++i) {
        for (int p = 0; p < programs.size(); ++p)
            runOnce(programs[p], figures[p]);
    }
    return figures;
}

QString milliseconds(const QList<qint64> &values, int width = 12)
{
    const qint64 value = median(values);
    return (value < 0 ? QString("-") : QString::number(value) + " ms").rightJustified(width);
}

QString milliseconds(const QList<double> &values)
{
    const double value = median(values);
    return (value < 0 ? QString("-") : QString::number(value, 'f', 2) + " ms").rightJustified(10);
}

void report(QTextStream &out, const QString &what, const Figures &figures)
{
    out << what.leftJustified(30) << milliseconds(figures.shownMs) << milliseconds(figures.readyMs)
        << milliseconds(figures.savedMs)
        << (QString::number(figures.peakMiB, 'f', 1) + " MiB").rightJustified(13)
        << milliseconds(figures.autosaveStallMs, 16) << milliseconds(figures.loadStallMs, 12)
        << milliseconds(figures.addMs) << '\n';
}

// How long the list file's reader alone takes for a file.
qint64 medianReadMs(const QString &path, int runs)
{
    QList<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        ListFile::read(path, 8, [](int, EntryGroup &&) {});
        times << clock.elapsed();
    }
    return median(times);
}

// A file of items nested in one another: a reader that walks every open
// element for each item takes quadratic time on it.
QString writeNestedItems(const QString &folder, int depth)
{
    const QByteArray item =
        "<fpa-item poso=\"100,00\" fpa=\"23,00\" extraPoso=\"23,00\" finalPoso=\"123,00\">";
    const QString path = folder + "/nested.xml";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("<fpa><fpa-tab>" + item.repeated(depth)
                   + QByteArray("</fpa-item>").repeated(depth) + "</fpa-tab></fpa>");
    }
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    // The probes inherit these throw-away folders.
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    AppInfo::applyIdentity();

    QStringList args = app.arguments();
    const bool exportOnly = args.removeAll("--export") > 0;
    const bool xlsxOnly = args.removeAll("--xlsx") > 0;
    const bool pdfOnly = args.removeAll("--pdf") > 0;
    const int entries = args.size() > 1 ? args[1].toInt() : 50000;
    const int runs = args.size() > 2 ? args[2].toInt() : 5;
    const QDir here = QFileInfo(app.applicationFilePath()).dir();
    const QString minimal = here.filePath("minimal-widgets-probe");
    const QString calculator = here.filePath("calculator-probe");
    QTextStream out(stdout);
    const int pdfRows = 1000;
    if (pdfOnly) {
        benchmarkPdfStall(out, args.size() > 1 ? args[1].toInt() : 100000);
        return 0;
    }
    if (xlsxOnly) {
        benchmarkXlsx(out, entries, runs);
        return 0;
    }
    if (exportOnly) {
        benchmarkExport(out, entries * 2, pdfRows, runs);
        return 0;
    }

    out << "median of " << runs
        << " runs, offscreen platform; times from the start of the process\n";
    out << QString("program").leftJustified(30)
        << "window shown  list ready  list saved  peak memory  autosave stall  "
           "load stall   add one\n";
    QFile::remove(listPath());
    const QList<Figures> small = measure({minimal, calculator}, runs);
    report(out, "minimal Qt Widgets program", small[0]);
    report(out, "calculator, no saved list", small[1]);

    QElapsedTimer clock;
    clock.start();
    generateList(entries, listPath(), true);
    const qint64 generatedMs = clock.elapsed();
    report(out, QString("calculator, %1 entries").arg(entries), measure({calculator}, runs)[0]);
    out << "(the list: " << entries * 2 << " rows, " << QFileInfo(listPath()).size() / 1024
        << " KiB, generated in " << generatedMs << " ms)\n";

    out << "the list file's reader alone, median of " << runs << " runs:\n";
    out << QString("  the list of %1 entries, %2 KiB")
               .arg(entries)
               .arg(QFileInfo(listPath()).size() / 1024)
               .leftJustified(42)
        << medianReadMs(listPath(), runs) << " ms\n";
    const QString undated = QFileInfo(listPath()).path() + "/undated.xml";
    generateList(entries, undated, false);
    out << QString("  the same without dates, %1 KiB")
               .arg(QFileInfo(undated).size() / 1024)
               .leftJustified(42)
        << medianReadMs(undated, runs) << " ms\n";
    const int depth = 300000;
    const QString nested = writeNestedItems(QFileInfo(listPath()).path(), depth);
    out << QString("  %1 nested items, %2 KiB")
               .arg(depth)
               .arg(QFileInfo(nested).size() / 1024)
               .leftJustified(42)
        << medianReadMs(nested, runs) << " ms\n";
    out.flush();
    benchmarkExport(out, entries * 2, pdfRows, runs);
    return 0;
}

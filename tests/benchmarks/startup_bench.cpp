// Start-up, save and memory figures of the calculator.
//
//   metrino-bench [entries] [runs]     (defaults: 50000 entries, 5 runs)
//
// Starts, on the offscreen platform and in throw-away folders, a minimal Qt
// Widgets program, the calculator with no saved list, and the calculator with
// a list of the given number of entries (each in its rate tab and in "Όλα").
// For each it prints the median time from starting the process until its
// window is shown and the largest peak memory; for the calculator also the
// median time that saving the list takes.

#include "app/appinfo.h"
#include "list/listfile.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>

namespace {

QString listPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/list.xml";
}

void generateList(int entryCount)
{
    const QStringList rates = {"23,00", "13,00", "6,50", "9,00", "16,00", "5,00", "24,00", "17,00"};
    const QLocale greek(QLocale::Greek, QLocale::Greece);
    const auto text = [&](double value) { return greek.toString(value, 'f', 2); };
    QList<EntryGroup> groups(8);
    for (int i = 0; i < entryCount; ++i) {
        const int rateIndex = i % rates.size();
        const double price = 1 + i * 0.37;
        const double vat = price * greek.toDouble(rates[rateIndex]) / 100;
        const Entry entry{text(price), rates[rateIndex], text(vat), text(price + vat)};
        groups[0] << entry;
        groups[rateIndex < 6 ? rateIndex + 1 : 7] << entry;
    }
    const QStringList names = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};
    QDir().mkpath(QFileInfo(listPath()).path());
    ListFile::write(listPath(), names, groups);
}

struct Figures {
    QList<qint64> shownMs;
    QList<qint64> savedMs;
    double peakMiB = 0;
};

qint64 median(QList<qint64> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Starts a program and reads its "shown" and "saved" lines.
void runOnce(const QString &program, const QStringList &arguments, Figures &figures)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(program, arguments);
    while (child.state() != QProcess::NotRunning || child.canReadLine()) {
        if (!child.canReadLine() && !child.waitForReadyRead(60000))
            break;
        const QStringList fields = QString::fromUtf8(child.readLine()).simplified().split(' ');
        if (fields.value(0) == "shown") {
            figures.shownMs << clock.elapsed();
            figures.peakMiB = std::max(figures.peakMiB, fields.value(1).toDouble());
        } else if (fields.value(0) == "saved") {
            figures.savedMs << fields.value(1).toLongLong();
            figures.peakMiB = std::max(figures.peakMiB, fields.value(2).toDouble());
        }
    }
    child.waitForFinished();
}

Figures measure(const QString &program, const QStringList &arguments, int runs)
{
    Figures figures;
    for (int i = 0; i < runs; ++i)
        runOnce(program, arguments, figures);
    return figures;
}

void report(QTextStream &out, const QString &what, const Figures &figures)
{
    const qint64 saved = median(figures.savedMs);
    out << what.leftJustified(34) << QString::number(median(figures.shownMs)).rightJustified(6)
        << " ms" << (saved < 0 ? QString(10, ' ') : QString::number(saved).rightJustified(7) + " ms")
        << QString::number(figures.peakMiB, 'f', 1).rightJustified(9) << " MiB\n";
}

} // namespace

int main(int argc, char **argv)
{
    // The probes inherit these throw-away folders.
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    AppInfo::applyIdentity();

    const QStringList args = app.arguments();
    const int entries = args.size() > 1 ? args[1].toInt() : 50000;
    const int runs = args.size() > 2 ? args[2].toInt() : 5;
    const QDir here = QFileInfo(app.applicationFilePath()).dir();
    const QString minimal = here.filePath("minimal-widgets-probe");
    const QString calculator = here.filePath("calculator-probe");
    QTextStream out(stdout);

    out << "median of " << runs << " runs, offscreen platform\n";
    out << QString("program").leftJustified(34) << "window shown  list saved  peak memory\n";
    report(out, "minimal Qt Widgets program", measure(minimal, {}, runs));
    QFile::remove(listPath());
    report(out, "calculator, no saved list", measure(calculator, {}, runs));

    QElapsedTimer clock;
    clock.start();
    generateList(entries);
    const qint64 generatedMs = clock.elapsed();
    report(out, QString("calculator, %1 entries").arg(entries), measure(calculator, {}, runs));
    out << "(the list: " << entries * 2 << " rows, " << QFileInfo(listPath()).size() / 1024
        << " KiB, generated in " << generatedMs << " ms)\n";
    return 0;
}

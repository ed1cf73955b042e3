// Start-up, save and memory figures of the calculator with a large saved list.
//
//   metrino-list-bench [entries]     (default 50000 entries, each in its rate
//                                     tab and in "Όλα")
//
// Generates list.xml in a throw-away data folder, then starts the calculator
// in a fresh process, once with that list and once with none, and prints how
// long the window took to appear, how long the list took to save, and the
// process's peak memory.

#include "app/appinfo.h"
#include "calculator/mainwindow.h"
#include "list/list.h"
#include "list/listfile.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <sys/resource.h>

namespace {

QString listPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/list.xml";
}

void generateList(int entryCount)
{
    const QStringList rates = {"23,00", "13,00", "6,50", "9,00", "16,00", "5,00", "24,00", "17,00"};
    QList<EntryGroup> groups(8);
    for (int i = 0; i < entryCount; ++i) {
        const int rateIndex = i % rates.size();
        const double price = 1 + i * 0.37;
        const QString rate = rates[rateIndex];
        const double vat = price * rate.toDouble() / 100;
        const auto text = [](double value) { return QLocale().toString(value, 'f', 2); };
        const Entry entry{text(price), rate, text(vat), text(price + vat)};
        groups[0] << entry;
        groups[rateIndex < 6 ? rateIndex + 1 : 7] << entry;
    }
    const QStringList names = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};
    QDir().mkpath(QFileInfo(listPath()).path());
    ListFile::write(listPath(), names, groups);
}

double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// Runs in the child process: start, show, save, report one line.
int measure()
{
    QElapsedTimer clock;
    clock.start();
    MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    const qint64 startMs = clock.elapsed();

    List *list = window.findChild<List *>();
    clock.restart();
    list->saveList();
    const qint64 saveMs = clock.elapsed();

    QTextStream(stdout) << startMs << ' ' << saveMs << ' ' << QString::number(peakMemoryMiB(), 'f', 1)
                        << '\n';
    return 0;
}

QStringList runMeasurement(const QString &program)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {"--measure"});
    child.waitForFinished(-1);
    return QString::fromUtf8(child.readAllStandardOutput()).simplified().split(' ');
}

} // namespace

int main(int argc, char **argv)
{
    // The measuring child inherits the parent's throw-away folders.
    const bool measuring = argc > 1 && qstrcmp(argv[1], "--measure") == 0;
    if (!measuring)
        TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    TestSupport::useGreekLocale();
    AppInfo::applyIdentity();

    if (measuring)
        return measure();
    const QStringList args = app.arguments();

    const int entries = args.size() > 1 ? args[1].toInt() : 50000;
    QTextStream out(stdout);

    QFile::remove(listPath());
    const QStringList empty = runMeasurement(app.applicationFilePath());

    QElapsedTimer clock;
    clock.start();
    generateList(entries);
    out << "generated " << entries << " entries (" << entries * 2 << " rows, "
        << QFileInfo(listPath()).size() / 1024 << " KiB) in " << clock.elapsed() << " ms\n";
    const QStringList large = runMeasurement(app.applicationFilePath());

    out << "list          window shown   list saved   peak memory\n";
    out << "empty         " << empty.value(0) << " ms" << QString(12 - empty.value(0).size(), ' ')
        << empty.value(1) << " ms" << QString(10 - empty.value(1).size(), ' ') << empty.value(2)
        << " MiB\n";
    out << entries << " entries " << large.value(0) << " ms" << QString(12 - large.value(0).size(), ' ')
        << large.value(1) << " ms" << QString(10 - large.value(1).size(), ' ') << large.value(2)
        << " MiB\n";
    return 0;
}

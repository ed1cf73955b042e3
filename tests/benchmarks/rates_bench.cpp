// How long the list window takes to follow new preset rates.
//
//   metrino-rates-bench [entries] [runs]     (defaults: 50000 entries, 5 runs)
//
// Reads a list of the given number of entries (each in its rate tab and in
// "Όλα"), at ten rates of which four are preset only until 2015 and four only
// from 2016, into the list window on the offscreen platform. Then switches
// the rates between the two sets, so that four entries in five move each
// time, and prints the median time the GUI thread takes to re-file the rows
// and update the tables, and to count the moves as the rates dialog does.

#include "core/appinfo.h"
#include "core/listfile.h"
#include "core/presetrates.h"
#include "core/ratetabs.h"
#include "core/savedlist.h"
#include "list/list.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>

namespace {

const QStringList groupNames = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};

void writeList(int entries)
{
    const QLocale greek(QLocale::Greek, QLocale::Greece);
    const double rates[] = {23, 13, 6.5, 16, 9, 5, 24, 17, 4, 6};
    QList<EntryGroup> groups(groupNames.size());
    for (int i = 0; i < entries; ++i) {
        const double price = 1 + i / 100.0;
        const double rate = rates[i % std::size(rates)];
        const Entry entry{greek.toString(price, 'f', 2), greek.toString(rate, 'f', 2),
                          greek.toString(price * rate / 100, 'f', 2),
                          greek.toString(price * (1 + rate / 100), 'f', 2)};
        groups[RateTabs::all] << entry;
        groups[RateTabs::forRate(entry.fpa, RateSet::until2015(), greek)] << entry;
    }
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    if (!ListFile::write(dir + "/list.xml", groupNames, groups))
        qFatal("cannot write the list");
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    AppInfo::applyIdentity();
    TestSupport::useThrowAwayDataAndSettings();
    TestSupport::useGreekLocale();

    const QStringList args = app.arguments();
    const int entries = args.size() > 1 ? args[1].toInt() : 50000;
    const int runs = args.size() > 2 ? args[2].toInt() : 5;
    writeList(entries);

    List list;
    list.show();
    while (!list.isLoaded())
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    SavedList *model = list.savedList();

    QList<qint64> refileMs;
    QList<qint64> countMs;
    int moves = 0;
    QElapsedTimer clock;
    for (int run = 0; run < runs * 2; ++run) {
        const RateSet rates = run % 2 == 0 ? RateSet::from2016() : RateSet::until2015();
        clock.start();
        moves = model->countMoves(rates);
        countMs << clock.elapsed();

        clock.start();
        PresetRates::setInForce(rates);
        list.followRates();
        // With whatever the tables left for the event loop.
        QCoreApplication::processEvents();
        refileMs << clock.elapsed();
    }
    model->giveUpUnsavedChanges();

    QTextStream out(stdout);
    out << "re-filing " << entries << " entries (" << entries * 2 << " rows, " << moves
        << " moving) on changing the rates, median of " << runs * 2 << " runs, GUI thread:\n"
        << "  re-file and update the tables   " << median(refileMs) << " ms\n"
        << "  count the moves (rates dialog)  " << median(countMs) << " ms\n";
    return 0;
}

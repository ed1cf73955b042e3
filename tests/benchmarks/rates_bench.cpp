// What a user of a long list waits for, in the real windows on the offscreen
// platform, with the bare list model's share beside it.
//
//   metrino-rates-bench [runs] [part...]    (default: 5 runs, every part)
//
// The parts: start, loading, presses, rates, close, pdf.
//
// - Loading: the longest time the GUI thread is held up while a list of
//   50,000 entries, and a file of 200,000 nested items, is read in.
// - A press of the add button with 60,000 entries saved, from the press until
//   the events it causes have been handled and the windows repainted: seven
//   new entries at different rates, the same entry again, and deleting a row.
// - New preset rates with 170,000 entries: re-filing the rows and updating
//   the tables, with "Λοιπά" shown, until the tabs follow the rates, and the
//   longest time the GUI thread is held meanwhile; and counting the moves as
//   the rates dialog does per keystroke.
//
// Every figure is the median of the runs, as wall time and as the GUI
// thread's CPU time; on a busy machine the latter tells more.

#include "calculator/mainwindow.h"
#include "core/appinfo.h"
#include "core/listfile.h"
#include "core/listfilekeeper.h"
#include "core/ratetabs.h"
#include "core/savedlist.h"
#include "export_bench.h"
#include "list/list.h"
#include "probe.h"
#include "testsupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

const QStringList groupNames = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};

QString listPath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return dir + "/list.xml";
}

// Each entry in its rate tab and in "Όλα", at ten rates of which four are
// preset only until 2015 and four only from 2016.
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
    if (!ListFile::write(listPath(), groupNames, groups))
        qFatal("cannot write the list");
}

void writeNestedItems(int depth)
{
    const QByteArray item =
        "<fpa-item poso=\"100,00\" fpa=\"23,00\" extraPoso=\"23,00\" finalPoso=\"123,00\">";
    QFile file(listPath());
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the list");
    file.write("<fpa><fpa-tab>" + item.repeated(depth) + QByteArray("</fpa-item>").repeated(depth)
               + "</fpa-tab></fpa>");
}

// Wall and GUI-thread CPU milliseconds of one measurement.
struct Time {
    double wall = 0;
    double cpu = 0;
};

class Stopwatch
{
public:
    Stopwatch() { wall.start(), cpu = threadCpuMs(); }
    Time elapsed() const { return {wall.nsecsElapsed() / 1e6, threadCpuMs() - cpu}; }

private:
    QElapsedTimer wall;
    double cpu;
};

double median(QList<double> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

struct Figure {
    QList<double> wall, cpu;
    void operator<<(Time t) { wall << t.wall, cpu << t.cpu; }
};

QString cell(double ms)
{
    return (ms < 0 ? QString("-") : QString::number(ms, 'f', ms < 10 ? 2 : 0)).rightJustified(10);
}

void report(QTextStream &out, const QString &what, const Figure &window, const Figure &model = {})
{
    out << "  " << what.leftJustified(44) << cell(median(window.wall)) << cell(median(window.cpu))
        << cell(median(model.wall)) << cell(median(model.cpu)) << '\n';
    out.flush();
    fflush(stdout);
}

// Handles whatever the last command left for the event loop: views catching
// up, columns fitted, windows repainted.
void settle()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

// The longest time the GUI thread could not react, wall and CPU, over the
// whole of an operation: from start() until done() holds, with the events
// that follow handled. Whatever goes on in the background meanwhile counts
// only where it holds up the event loop.
Time longestStall(const std::function<void()> &start, const std::function<bool()> &done)
{
    Time longest;
    Stopwatch sinceTick;
    const auto tick = [&] {
        const Time gap = sinceTick.elapsed();
        longest = {std::max(longest.wall, gap.wall), std::max(longest.cpu, gap.cpu)};
        sinceTick = Stopwatch();
    };
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, tick);
    ticker.start();
    sinceTick = Stopwatch();
    start();
    const QDeadlineTimer limit(600000);
    while (!done() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    settle();
    tick();
    return longest;
}

// The same while the calculator starts and reads its list, with the list
// window open or not.
Time longestLoadStall(bool listShown)
{
    TestSupport::ListOfTheRun saved;
    MainWindow window(saved.keeper);
    const Time longest = longestStall(
        [&] {
            window.show();
            if (listShown)
                window.listWindow()->show();
        },
        [&] { return window.findChild<List *>() && window.listWindow()->isLoaded(); });
    saved.keeper.giveUp();
    return longest;
}

// The bare model: the same list, read with no window to show it.
SavedList *loadedModel()
{
    auto *model = new SavedList(RateSet(), groupNames);
    ListFileKeeper keeper(listPath(), *model);
    keeper.load();
    while (!keeper.isLoaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return model;
}

void benchmarkPresses(QTextStream &out, int entries, int runs)
{
    writeList(entries);
    Figure add, again, remove, modelAdd, modelAgain, modelRemove;
    TestSupport::ListOfTheRun saved;
    MainWindow window(saved.keeper);
    window.show();
    settle();
    List *list = window.listWindow();
    while (!list->isLoaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    auto *price = window.findChild<QDoubleSpinBox *>("doubleSpinBox_poso");
    auto *rate = window.findChild<QDoubleSpinBox *>("doubleSpinBox_fpa");
    auto *addButton = window.findChild<QPushButton *>("pushButton_add_to_list");
    const double rates[] = {23, 13, 6.5, 9, 16, 5, 24};
    // Shown, as after the first add of the day.
    price->setValue(0.01), rate->setValue(23), addButton->click();
    settle();
    saved.keeper.giveUp();
    SavedList *model = loadedModel();
    int pressed = 0;
    for (int run = 0; run < runs; ++run) {
        for (const double r : rates) {
            price->setValue(90000 + ++pressed), rate->setValue(r);
            Stopwatch press;
            addButton->click();
            settle();
            add << press.elapsed();
            Stopwatch pressAgain;
            addButton->click();
            settle();
            again << pressAgain.elapsed();
        }
        Stopwatch deletion;
        QMetaObject::invokeMethod(list, "removeSelectedItem");
        settle();
        remove << deletion.elapsed();

        const Entry entry{QString::number(run), "23,00", "1,00", "2,00"};
        Stopwatch modelPress;
        model->addEntry(entry);
        modelAdd << modelPress.elapsed();
        Stopwatch modelPressAgain;
        model->addEntry(entry);
        modelAgain << modelPressAgain.elapsed();
        Stopwatch modelDeletion;
        model->removeRow(1, int(model->entries(1).size()) - 1);
        modelRemove << modelDeletion.elapsed();
    }
    delete model;
    report(out, QString("add a new entry (%1 rates)").arg(std::size(rates)), add, modelAdd);
    report(out, "add the same entry again", again, modelAgain);
    report(out, "delete the selected row", remove, modelRemove);
}

// From the start of a long piece of work until it is done: the time it takes,
// and the longest time the GUI thread could not react meanwhile.
std::pair<Time, Time> timeAndLongestHold(const std::function<void()> &start,
                                         const std::function<bool()> &done)
{
    Time longest;
    Stopwatch sinceTick;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const Time gap = sinceTick.elapsed();
        longest = {std::max(longest.wall, gap.wall), std::max(longest.cpu, gap.cpu)};
        sinceTick = Stopwatch();
    });
    ticker.start();
    Stopwatch whole;
    sinceTick = Stopwatch();
    start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const Time took = whole.elapsed();
    settle();
    const Time gap = sinceTick.elapsed();
    return {took, {std::max(longest.wall, gap.wall), std::max(longest.cpu, gap.cpu)}};
}

// Whether every table shows the rows of its group: the rows' count and the
// last row.
bool tablesCaughtUp(const List &list)
{
    const auto *tabs = list.findChild<QTabWidget *>("tabWidget");
    for (int group = 0; group < tabs->count(); ++group) {
        const auto *table = tabs->widget(group)->findChild<QTableWidget *>();
        const EntryGroup &rows = list.savedList()->entries(group);
        if (table->rowCount() != rows.size())
            return false;
        if (!rows.isEmpty()
            && (!table->item(table->rowCount() - 1, 3)
                || table->item(table->rowCount() - 1, 3)->text() != rows.constLast().finalPoso))
            return false;
    }
    return true;
}

void benchmarkRates(QTextStream &out, int entries, int runs)
{
    writeList(entries);
    TestSupport::ListOfTheRun saved;
    List list(saved.keeper);
    list.show();
    while (!list.isLoaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // "Λοιπά" is shown, whose rows come and go with either set of rates.
    list.findChild<QTabWidget *>("tabWidget")->setCurrentIndex(RateTabs::otherRates);
    settle();
    SavedList *model = list.savedList();
    saved.keeper.giveUp();
    SavedList *bare = loadedModel();

    Figure refile, tablesCatchUp, hold, count, bareRefile, bareHold;
    int moves = 0;
    for (int run = 0; run < runs * 2; ++run) {
        const RateSet rates = run % 2 == 0 ? RateSet::from2016() : RateSet::until2015();
        Stopwatch counting;
        moves = model->countMoves(rates);
        count << counting.elapsed();

        RateSet followed;
        QObject context;
        QObject::connect(&list, &List::ratesFollowed, &context,
                         [&followed](const RateSet &r) { followed = r; });
        const auto [took, held] =
            timeAndLongestHold([&] { list.followRates(rates); }, [&] { return followed == rates; });
        refile << took;
        const auto [caughtUp, heldUntilCaughtUp] =
            timeAndLongestHold([] {}, [&] { return tablesCaughtUp(list); });
        tablesCatchUp << caughtUp;
        hold << Time{std::max(held.wall, heldUntilCaughtUp.wall),
                     std::max(held.cpu, heldUntilCaughtUp.cpu)};

        const auto [bareTook, bareHeld] =
            timeAndLongestHold([&] { bare->followRates(rates, RateTabs::groupNames(rates)); },
                               [&] { return !bare->isRefiling(); });
        bareRefile << bareTook;
        bareHold << bareHeld;
    }
    delete bare;
    out << QString("new preset rates, %1 entries (%2 rows, %3 moving):\n")
               .arg(entries)
               .arg(entries * 2)
               .arg(moves);
    report(out, "re-file the rows, until the tabs follow", refile, bareRefile);
    report(out, "  then until every table shows its rows", tablesCatchUp);
    report(out, "  the longest the GUI thread is held", hold, bareHold);
    report(out, "count the moves (per keystroke in the dialog)", count, count);
}

// Closing the calculator with a changed list of that many entries (twice as
// many rows), until the list is written; beside it, the bare model writing
// the same list. Each run loads the whole list into the windows first.
void benchmarkClose(QTextStream &out, int entries, int runs)
{
    writeList(entries);
    Figure close, bareSave;
    for (int run = 0; run < runs; ++run) {
        TestSupport::ListOfTheRun saved;
        MainWindow window(saved.keeper);
        window.show();
        List *list = window.listWindow();
        while (!list->isLoaded())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        settle();
        // A change that the file can take: it holds as many rows as it may.
        saved.list.removeRow(0, 0);
        close << longestStall([&] { window.close(); },
                              [&] { return !saved.keeper.hasUnsavedChanges(); });

        SavedList bare(RateSet(), groupNames);
        ListFileKeeper bareKeeper(listPath(), bare);
        bareKeeper.load();
        while (!bareKeeper.isLoaded())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        bare.removeRow(0, 0);
        Stopwatch saving;
        bareKeeper.saveNow(QDeadlineTimer::Forever);
        bareSave << saving.elapsed();
    }
    report(out, QString("close, %1 rows changed, until written").arg(entries * 2), close, bareSave);
}

// A PDF of that many rows as the list window's job, and all at once.
void benchmarkPdf(QTextStream &out, int rows)
{
    const PdfFigures pdf = measurePdf(rows);
    Figure job, alone;
    job << Time{double(pdf.longestStallMs), -1};
    alone << Time{double(pdf.allAtOnceMs), -1};
    report(out, QString("PDF of %1 rows (%2 ms in all)").arg(rows).arg(pdf.jobMs), job, alone);
}

// The time from a process's start until its first window is painted, the
// processor time it took, and its peak memory then, as the start-up probe
// tells.
struct FirstWindow {
    double wallMs = -1;
    double cpuMs = -1;
    double peakMiB = -1;
};

FirstWindow firstWindow(const QString &program)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Stopwatch clock;
    child.start(program, {"--first-window"});
    FirstWindow figures;
    while (child.waitForReadyRead(60000) || child.canReadLine()) {
        const QStringList fields = QString::fromUtf8(child.readLine()).simplified().split(' ');
        if (fields.value(0) == "shown") {
            figures.wallMs = clock.elapsed().wall;
            figures.peakMiB = fields.value(1).toDouble();
        } else if (fields.value(0) == "cpu") {
            figures.cpuMs = fields.value(1).toDouble();
            break;
        }
    }
    if (!child.waitForFinished()) {
        child.kill();
        child.waitForFinished();
    }
    return figures;
}

// The calculator and a bare Qt Widgets window started in turn, a pair per
// run after one pair not counted, so that the machine's ups and downs fall on
// both alike: first window and peak memory, with the median ratio of the pairs.
void benchmarkStart(QTextStream &out, int runs)
{
    const QDir here(QCoreApplication::applicationDirPath());
    const QString calculator = here.filePath("calculator-probe");
    const QString bare = here.filePath("minimal-widgets-probe");
    QList<double> shown, bareShown, cpu, bareCpu, memory, bareMemory;
    QList<double> shownRatio, cpuRatio, memoryRatio;
    firstWindow(calculator), firstWindow(bare);
    for (int run = 0; run < runs * 2; ++run) {
        const FirstWindow a = firstWindow(calculator), b = firstWindow(bare);
        shown << a.wallMs, bareShown << b.wallMs, cpu << a.cpuMs, bareCpu << b.cpuMs;
        memory << a.peakMiB, bareMemory << b.peakMiB;
        shownRatio << a.wallMs / b.wallMs, cpuRatio << a.cpuMs / b.cpuMs;
        memoryRatio << a.peakMiB / b.peakMiB;
    }
    const auto line = [&out](const QString &what, const QList<double> &ratios,
                             const QList<double> &mine, const QList<double> &bares, int decimals) {
        const auto figure = [decimals](double value) {
            return QString::number(value, 'f', decimals).rightJustified(10);
        };
        out << "  " << QString("%1 (ratio %2)").arg(what).arg(median(ratios), 0, 'f', 2).leftJustified(44)
            << figure(median(mine)) << QString().rightJustified(10) << figure(median(bares))
            << '\n';
    };
    line("first window shown, ms", shownRatio, shown, bareShown, 0);
    line("  processor time until then, ms", cpuRatio, cpu, bareCpu, 0);
    line("  peak memory then, MiB", memoryRatio, memory, bareMemory, 1);
    out.flush();
}

// The longest time the GUI thread is held while a long list, and a file of
// many nested items, is read in, with and without the list window open.
void benchmarkLoading(QTextStream &out, int runs)
{
    out << "loading, the longest time the GUI thread is held up:\n";
    Figure listStall, nestedStall, listStallShown, nestedStallShown;
    for (int run = 0; run < runs; ++run) {
        writeList(50000);
        listStall << longestLoadStall(false);
        listStallShown << longestLoadStall(true);
        writeNestedItems(200000);
        nestedStall << longestLoadStall(false);
        nestedStallShown << longestLoadStall(true);
    }
    report(out, "a list of 50,000 entries", listStall);
    report(out, "  the same, the list window open", listStallShown);
    report(out, "a file of 200,000 nested items", nestedStall);
    report(out, "  the same, the list window open", nestedStallShown);
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
    const int runs = std::max(1, args.size() > 1 ? args[1].toInt() : 5);
    const QStringList parts = args.mid(2);
    const auto wanted = [&parts](const char *part) {
        return parts.isEmpty() || parts.contains(QLatin1String(part));
    };

    QTextStream out(stdout);
    out << "median of " << runs << " runs, offscreen platform, milliseconds\n"
        << QString().leftJustified(46) << "   the windows       bare model\n"
        << QString().leftJustified(46) << "      wall       CPU      wall       CPU\n";

    if (wanted("start")) {
        out << "start-up against a bare Qt Widgets window, " << runs * 2 << " pairs in turn:\n";
        benchmarkStart(out, runs);
    }
    if (wanted("loading"))
        benchmarkLoading(out, runs);
    if (wanted("presses")) {
        const int pressEntries = 60000;
        out << QString("a press, %1 entries saved, until handled and repainted:\n")
                   .arg(pressEntries);
        benchmarkPresses(out, pressEntries, runs);
    }
    if (wanted("rates"))
        benchmarkRates(out, 170000, runs);
    if (wanted("close") || wanted("pdf"))
        out << "long jobs, the longest time the GUI thread is held up (bare: the work alone):\n";
    if (wanted("close"))
        benchmarkClose(out, 250000, 1);
    if (wanted("pdf"))
        benchmarkPdf(out, 100000);
    return 0;
}


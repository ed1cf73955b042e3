// The calculator's start-up exactly as main() does it, for the benchmark. Says
// "shown" once its window is painted, "ready" once the saved list has been
// read into the list window, "loadstall <ms>" with the longest time the event
// loop was held up meanwhile, "saved <ms>" after writing the list once, "add
// <ms>" with the time that adding one entry takes, "autosave <ms>" with the
// longest time the event loop was held up while that change was written in
// the background, then quits. With "--first-window" it quits once shown.

#include "app/toolkittranslator.h"
#include "calculator/mainwindow.h"
#include "core/appinfo.h"
#include "core/listfilekeeper.h"
#include "core/rateset.h"
#include "core/ratetabs.h"
#include "core/savedlist.h"
#include "list/list.h"
#include "probe.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSettings>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    AppInfo::applyIdentity();
    ToolkitTranslator greekToolkitTexts;
    QCoreApplication::installTranslator(&greekToolkitTexts);
    const RateSet rates = RateSet::load(QSettings());
    SavedList list(rates, RateTabs::groupNames(rates));
    ListFileKeeper keeper(ListFileKeeper::standardPath(), list);
    MainWindow window(keeper);
    FirstPaint firstPaint(&window);
    window.show();
    const auto listLoaded = [&window] {
        const List *list = window.findChild<List *>();
        return list && list->isLoaded();
    };
    // A timer ticking every millisecond shows how long the window could not
    // react at a time.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    while (!firstPaint.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (app.arguments().contains(QStringLiteral("--first-window")))
        return 0;
    sinceTick.start();
    ticker.start();
    while (!listLoaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ticker.stop();
    longestStall = std::max(longestStall, sinceTick.elapsed());
    tell(QStringLiteral("ready"));
    tell(QStringLiteral("loadstall ") + QString::number(longestStall));

    QElapsedTimer clock;
    clock.start();
    window.listWindow()->saveList();
    const qint64 savedMs = clock.elapsed();
    tell(QStringLiteral("saved ") + QString::number(savedMs));

    // A change is written about a second later. An entry that no earlier run
    // has added, or nothing would change.
    const QString unique = QString::number(QDateTime::currentMSecsSinceEpoch());
    clock.start();
    window.listWindow()->addEntry(unique, QStringLiteral("99,00"), QStringLiteral("0,99"),
                                  QStringLiteral("1,99"));
    tell(QStringLiteral("add ") + QString::number(clock.nsecsElapsed() / 1e6, 'f', 2));
    longestStall = 0;
    sinceTick.start();
    ticker.start();
    QEventLoop waiting;
    QTimer::singleShot(2500, &waiting, &QEventLoop::quit);
    waiting.exec();
    tell(QStringLiteral("autosave ") + QString::number(longestStall));
    return 0;
}

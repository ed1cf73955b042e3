#include "app/singleinstance.h"
#include "app/terminationsignal.h"
#include "app/toolkittranslator.h"
#include "calculator/mainwindow.h"
#include "core/appinfo.h"
#include "core/listfilekeeper.h"
#include "core/rateset.h"
#include "core/ratetabs.h"
#include "core/savedlist.h"
#include "list/list.h"
#include "list/runend.h"

#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

void bringToFront(QWidget *window)
{
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

// Every window that was on the screen comes back: the calculator, and the
// list when it was open. The calculator comes last, to take the keyboard.
void bringBack(MainWindow *calculator)
{
    List *list = calculator->findChild<List *>();
    if (list && list->isVisible())
        bringToFront(list);
    bringToFront(calculator);
}

// The installer and the uninstaller look for this name to tell that the
// program runs; the system lets go of it when the process ends.
void markAsRunning()
{
#ifdef Q_OS_WIN
    CreateMutexW(nullptr, FALSE, L"metrino-running");
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppInfo::applyIdentity();
    // Ties the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.korvex.metrino"));

    // In place before this copy answers anyone: a copy that others can find
    // is one that can be told to end, and must save first.
    TerminationSignal termination;
    ToolkitTranslator greekToolkitTexts;
    QCoreApplication::installTranslator(&greekToolkitTexts);

    // A second start shows the running calculator and ends.
    SingleInstance instance(AppInfo::dataFolder());
    switch (instance.claim()) {
    case SingleInstance::Claim::Claimed: break;
    case SingleInstance::Claim::Shown: return 0;
    case SingleInstance::Claim::Blocked:
        QMessageBox::critical(nullptr, SingleInstance::tr("Φ.Π.Α. μετρίνο"),
                              instance.blockedReason());
        return 1;
    }
    markAsRunning();

    // The saved list and the keeper of its file live for the whole run; the
    // windows are given them.
    const RateSet rates = RateSet::load(QSettings());
    SavedList list(rates, RateTabs::groupNames(rates));
    ListFileKeeper keeper(ListFileKeeper::standardPath(), list);
    MainWindow window(keeper);
    QObject::connect(&instance, &SingleInstance::shownAgain, &window,
                     [&window] { bringBack(&window); });
    // Asked to end (a shut-down, kill): keep the list, then end.
    QObject::connect(&termination, &TerminationSignal::received, window.runEnd(),
                     [&window] { window.runEnd()->end(RunEnd::Ending::Signalled); });
    window.show();
    return app.exec();
}

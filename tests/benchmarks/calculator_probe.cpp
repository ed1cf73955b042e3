// The calculator's start-up exactly as main() does it, for the benchmark. Says
// "shown" once its window is painted, "ready" once the saved list has been
// read into the list window, "saved <ms>" after writing the list once, then
// quits.

#include "app/appinfo.h"
#include "app/toolkittranslator.h"
#include "calculator/mainwindow.h"
#include "list/list.h"
#include "probe.h"

#include <QApplication>
#include <QElapsedTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    AppInfo::applyIdentity();
    ToolkitTranslator greekToolkitTexts;
    QCoreApplication::installTranslator(&greekToolkitTexts);
    MainWindow window;
    FirstPaint firstPaint(&window);
    window.show();
    const auto listLoaded = [&window] {
        const List *list = window.findChild<List *>();
        return list && list->isLoaded();
    };
    while (!listLoaded())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    tell(QStringLiteral("ready"));

    QElapsedTimer clock;
    clock.start();
    window.listWindow()->saveList();
    const qint64 savedMs = clock.elapsed();
    tell(QStringLiteral("saved ") + QString::number(savedMs));
    return 0;
}

// The calculator's start-up exactly as main() does it, for the benchmark: says
// "shown" once the window is up, then saves the list and says how long that
// took, then quits.

#include "app/toolkittranslator.h"
#include "calculator/mainwindow.h"
#include "list/list.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <sys/resource.h>

namespace {
double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ToolkitTranslator greekToolkitTexts;
    QCoreApplication::installTranslator(&greekToolkitTexts);
    MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    QTextStream out(stdout);
    out << "shown " << peakMemoryMiB() << Qt::endl;

    QElapsedTimer clock;
    clock.start();
    window.findChild<List *>()->saveList();
    out << "saved " << clock.elapsed() << ' ' << peakMemoryMiB() << Qt::endl;
    return 0;
}

// The smallest Qt Widgets program, a window with one label: the yardstick for
// the calculator's start-up. Says "shown" once its window is painted, then
// quits.

#include "probe.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Φ.Π.Α. μετρίνο"));
    FirstPaint firstPaint(&label);
    label.show();
    while (!firstPaint.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return 0;
}

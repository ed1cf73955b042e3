// The smallest Qt Widgets program, a window with one label: the yardstick for
// the calculator's start-up. Says "shown" once its window is up, then quits.

#include <QApplication>
#include <QLabel>
#include <QTextStream>

#include <sys/resource.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Φ.Π.Α. μετρίνο"));
    label.show();
    QCoreApplication::processEvents();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    QTextStream(stdout) << "shown " << usage.ru_maxrss / 1024.0 << Qt::endl;
    return 0;
}

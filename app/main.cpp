#include "app/appinfo.h"
#include "app/toolkittranslator.h"
#include "calculator/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppInfo::applyIdentity();
    // Ties the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.korvex.metrino"));
    ToolkitTranslator greekToolkitTexts;
    QCoreApplication::installTranslator(&greekToolkitTexts);

    MainWindow window;
    window.show();
    return app.exec();
}

#pragma once

#include "app/toolkittranslator.h"
#include "core/appinfo.h"
#include "core/listfilekeeper.h"
#include "core/savedlist.h"

#include <QApplication>
#include <QList>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>

class QMessageBox;

namespace TestSupport {

// Points HOME and the XDG directories at a throw-away folder, for the
// program when a test starts it, and picks the offscreen platform unless
// another is asked for.
void prepareEnvironment();
// Once the program's identity is given: the toolkit's test locations for data
// and settings, and an organisation and application name of the tests' own,
// so that no test ever reads or writes the real user's saved list or
// settings, on Windows (where HOME and XDG mean nothing: the settings go to an
// INI file in the throw-away folder instead of the registry, and the test
// data folder is removed at the end) as on Unix. Each test program has a
// folder of its own.
void useThrowAwayDataAndSettings();
// Greek number formatting ("23,00"), as the program's users see it.
void useGreekLocale();

// Where the program keeps list.xml in this test run.
QString dataDirectory();

// The saved list and the keeper of its file, made as the program makes them
// before its windows, under the rates in force.
struct ListOfTheRun {
    // Under the rates kept in the settings, as the program starts.
    ListOfTheRun();
    explicit ListOfTheRun(const RateSet &rates);
    SavedList list;
    ListFileKeeper keeper;
};

// The widget of that object name below root: tests drive the real widgets by
// the names the forms give them, and cannot go on without one.
template <typename T = QWidget>
T *child(const QObject *root, const char *name)
{
    auto *found = root->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget named %s", name);
    return found;
}

// What a modal message box showed before it was answered.
struct SeenBox {
    QString title;
    QString text;
    QStringList buttons;
};

// Answers the modal message boxes that the code under test opens, one after
// another, by clicking the button whose text is given (empty: the default or
// the only button), and records what each box showed.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QStringList answers = {});
    ~BoxAnswerer() override;

    QList<SeenBox> seen;
    // Runs for each box once it is seen, before it is answered.
    std::function<void(QMessageBox *)> onBox;

private:
    void poll();

    QStringList answers;
    QTimer timer;
};

// Answers the save dialog that the trigger opens by choosing the file name in
// the folder, and returns the file that the dialog proposed. Nothing is
// chosen until the dialog shows that folder. With pullFolder, the folder goes
// away as the dialog closes, as a pulled out memory stick does.
QString saveAs(const QString &folder, const QString &name, bool pullFolder,
               const std::function<void()> &trigger);

} // namespace TestSupport

#define METRINO_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        TestSupport::prepareEnvironment();                                                         \
        /* Dialogs are answered through their widgets: the toolkit's own, not the system's. */     \
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);                                   \
        QApplication app(argc, argv);                                                              \
        AppInfo::applyIdentity();                                                                  \
        TestSupport::useThrowAwayDataAndSettings();                                                \
        ToolkitTranslator greekToolkitTexts;                                                       \
        QCoreApplication::installTranslator(&greekToolkitTexts);                                   \
        TestSupport::useGreekLocale();                                                             \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

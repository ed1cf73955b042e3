#include "testsupport.h"

#include "core/ratetabs.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariantMap>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace TestSupport {

namespace {

// The test program's throw-away folder, removed with all it holds when the
// program ends.
QString throwAwayRoot()
{
    static QTemporaryDir root;
    return root.path();
}

#ifdef Q_OS_WIN
QString testDataFolder;

// Windows takes the user's folders from the registry, not from variables:
// the toolkit's test mode puts the data in a folder of the tests' own under
// the real %APPDATA%. It is removed when the test program ends, with the
// folders above it that were made for it.
void removeTestDataFolder()
{
    QDir(testDataFolder).removeRecursively();
    QDir dir(testDataFolder);
    for (int level = 0; level < 2 && dir.cdUp(); ++level)
        QDir().rmdir(dir.path()); // only when empty
}

// Qt's file dialog keeps its folders in the registry whatever the default
// format, under HKCU\Software\QtProject: what the tests' dialogs add is taken
// out when the test program ends, and what other programs kept there stays.
const wchar_t qtProjectKey[] = L"Software\\QtProject";
const wchar_t organisationDefaultsKey[] = L"Software\\QtProject\\OrganizationDefaults";
bool qtProjectKeyExisted = false;
bool organisationDefaultsKeyExisted = false;
QVariantMap fileDialogStateBefore;

bool registryKeyExists(const wchar_t *path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void keepFileDialogState()
{
    qtProjectKeyExisted = registryKeyExists(qtProjectKey);
    organisationDefaultsKeyExisted = registryKeyExists(organisationDefaultsKey);
    QSettings qt(QSettings::UserScope, QStringLiteral("QtProject"));
    qt.beginGroup(QStringLiteral("FileDialog"));
    for (const QString &key : qt.childKeys())
        fileDialogStateBefore.insert(key, qt.value(key));
}

void restoreFileDialogState()
{
    {
        QSettings qt(QSettings::UserScope, QStringLiteral("QtProject"));
        qt.remove(QStringLiteral("FileDialog"));
        qt.beginGroup(QStringLiteral("FileDialog"));
        for (auto value = fileDialogStateBefore.cbegin(); value != fileDialogStateBefore.cend();
             ++value)
            qt.setValue(value.key(), value.value());
    }
    // Keys made for the tests alone; RegDeleteKeyW leaves a key with subkeys.
    if (!organisationDefaultsKeyExisted)
        RegDeleteKeyW(HKEY_CURRENT_USER, organisationDefaultsKey);
    if (!qtProjectKeyExisted)
        RegDeleteKeyW(HKEY_CURRENT_USER, qtProjectKey);
}
#endif

} // namespace

void prepareEnvironment()
{
    const QString root = throwAwayRoot();
    qputenv("HOME", root.toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
    qputenv("XDG_CACHE_HOME", (root + "/cache").toUtf8());
    QDir(root).mkpath("runtime");
    QFile::setPermissions(root + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", (root + "/runtime").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

void useThrowAwayDataAndSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(AppInfo::organisationName() + QStringLiteral("-tests"));
    QCoreApplication::setApplicationName(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
#ifdef Q_OS_WIN
    // Settings in an INI file in the throw-away folder, not in the registry.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, throwAwayRoot() + "/settings");
    // Only a folder of test mode's own, left over from a run cut short.
    testDataFolder = dataDirectory();
    if (testDataFolder.contains("/qttest/") && testDataFolder.contains("-tests/")) {
        QDir(testDataFolder).removeRecursively();
        qAddPostRoutine(removeTestDataFolder);
    }
    keepFileDialogState();
    qAddPostRoutine(restoreFileDialogState);
#endif
}

void useGreekLocale()
{
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
}

QString dataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

ListOfTheRun::ListOfTheRun()
    : ListOfTheRun(RateSet::load(QSettings()))
{
}

ListOfTheRun::ListOfTheRun(const RateSet &rates)
    : list(rates, RateTabs::groupNames(rates))
    , keeper(ListFileKeeper::standardPath(), list)
{
}

BoxAnswerer::BoxAnswerer(QStringList answers)
    : answers(std::move(answers))
{
    connect(&timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    timer.start(20);
}

BoxAnswerer::~BoxAnswerer() = default;

void BoxAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;

    SeenBox record{box->windowTitle(), box->text(), {}};
    for (QAbstractButton *button : box->buttons())
        record.buttons << button->text();
    seen << record;
    if (onBox)
        onBox(box);

    const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
    QAbstractButton *toPress = box->defaultButton();
    for (QAbstractButton *button : box->buttons()) {
        if (!answer.isEmpty() && button->text() == answer)
            toPress = button;
    }
    if (!toPress && !box->buttons().isEmpty())
        toPress = box->buttons().constFirst();
    if (toPress)
        toPress->click();
    else
        box->reject();
}

// Answers the save dialog that the trigger opens by choosing the file name in
// the folder, and returns the file that the dialog proposed. Nothing is
// chosen until the dialog shows that folder. With pullFolder, the folder goes
// away as the dialog closes, as a pulled out memory stick does.
QString saveAs(const QString &folder, const QString &name, bool pullFolder,
               const std::function<void()> &trigger)
{
    QString proposed;
    bool answered = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (modal && modal->objectName() == "PeriodChoice") {
            modal->accept(); // the whole tab
            return;
        }
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog || !dialog->isVisible() || answered)
            return;
        if (proposed.isEmpty())
            proposed = dialog->selectedFiles().value(0);
        // Typed into the name box, which selectFile() leaves alone while it
        // has the focus.
        dialog->setDirectory(folder);
        if (auto *nameBox = dialog->findChild<QLineEdit *>("fileNameEdit"))
            nameBox->setText(name);
        const QFileInfo chosen(dialog->selectedFiles().value(0));
        if (chosen.absolutePath() != QDir(folder).absolutePath()
            || chosen.completeBaseName() != name)
            return;
        answered = true;
        if (pullFolder) {
            QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                             [folder] { QDir(folder).removeRecursively(); });
        }
        static_cast<QDialog *>(dialog)->accept(); // as the Save button does
    });
    watch.start(20);
    trigger();
    return proposed;
}

} // namespace TestSupport

#include "testsupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace TestSupport {

void prepareEnvironment()
{
    static QTemporaryDir home;
    const QString root = home.path();
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
}

void useGreekLocale()
{
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
}

QString dataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
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
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
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

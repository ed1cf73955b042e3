#include "testsupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

} // namespace TestSupport

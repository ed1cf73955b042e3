#include "listsaver.h"

#include "listfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

ListSaver::ListSaver(const QString &path, QObject *parent)
    : QObject(parent)
    , path(path)
{
    worker.setMaxThreadCount(1);
}

ListSaver::~ListSaver()
{
    worker.waitForDone();
}

QString ListSaver::notAPlainFileReason()
{
    return QStringLiteral("Στη θέση του αρχείου υπάρχει φάκελος ή ειδικό αρχείο, που δεν "
                          "αντικαθίσταται.");
}

QString ListSaver::noCopyReason()
{
    return QStringLiteral("Το αρχείο περιέχει στοιχεία που η λίστα δεν διάβασε και δεν ήταν "
                          "δυνατό να κρατηθεί αντίγραφό του· για να μη χαθούν, δεν "
                          "αντικαθίσταται.");
}

void ListSaver::keepCopyFirst(const QString &kind)
{
    const std::lock_guard<std::mutex> lock(writing);
    copyKind = kind;
}

bool ListSaver::save(const Content &content, QString *reason)
{
    ++savesStarted;
    worker.waitForDone();
    return write(content, reason);
}

void ListSaver::saveInBackground(Content content)
{
    const int number = ++savesStarted;
    ++backgroundSaves;
    worker.start([this, number, content = std::move(content)] {
        QString reason;
        const bool saved = write(content, &reason);
        QMetaObject::invokeMethod(
            this, [this, number, saved, reason] { finishedInBackground(number, saved, reason); },
            Qt::QueuedConnection);
    });
}

bool ListSaver::isSaving() const
{
    return backgroundSaves > 0;
}

void ListSaver::finishedInBackground(int number, bool saved, const QString &reason)
{
    --backgroundSaves;
    // A save made at once since then has told its own result.
    if (number == savesStarted)
        emit savedInBackground(saved, reason);
}

bool ListSaver::write(const Content &content, QString *reason)
{
    const std::lock_guard<std::mutex> lock(writing);
    const QFileInfo file(path);
    // The data folder may have been removed while the program ran.
    QDir().mkpath(file.path());

    // A symbolic link to a plain file counts as that file.
    if (file.exists() && !file.isFile()) {
        if (reason)
            *reason = notAPlainFileReason();
        return false;
    }
    if (!copyKind.isEmpty() && file.exists()) {
        if (ListFile::keepCopy(path, copyKind).isEmpty()) {
            if (reason)
                *reason = noCopyReason();
            return false;
        }
    }
    copyKind.clear();
    return ListFile::write(path, content.groupNames, content.groups, reason);
}

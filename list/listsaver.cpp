#include "listsaver.h"

#include "listfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace {

// Whether the file holds exactly these bytes, read a piece at a time.
bool fileHolds(const QString &path, const QByteArray &expected)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != expected.size())
        return false;
    const qint64 pieceSize = 1 << 16;
    for (qint64 at = 0; at < expected.size(); at += pieceSize) {
        const QByteArray piece = file.read(pieceSize);
        if (piece.size() != std::min(pieceSize, expected.size() - at)
            || std::memcmp(piece.constData(), expected.constData() + at, piece.size()) != 0)
            return false;
    }
    return file.read(1).isEmpty();
}

} // namespace

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

void ListSaver::keepCopyUnlessFileHolds(const Content &rowsRead)
{
    worker.start([this, rowsRead] {
        const QByteArray asWritten = ListFile::serialize(rowsRead.groupNames, rowsRead.groups);
        const std::lock_guard<std::mutex> lock(writing);
        if (QFileInfo(path).isFile() && !fileHolds(path, asWritten))
            copyKind = QStringLiteral("before");
    });
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

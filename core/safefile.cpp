#include "safefile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

SafeFile::SafeFile(const QString &path, Folder folder)
    : file(path)
    , folder(folder)
{
}

bool SafeFile::open(WriteFailure *failure)
{
    if (!mayWriteAt(file.fileName(), failure))
        return false;
    if (folder == Folder::MakeIfMissing)
        QDir().mkpath(QFileInfo(file.fileName()).absolutePath());
    if (file.open(QIODevice::WriteOnly))
        return true;
    if (failure)
        *failure = failureOf();
    return false;
}

bool SafeFile::commit(WriteFailure *failure)
{
    // commit() alone does not notice a write that failed while its data sat
    // in the buffer (a full disk): flush first and check.
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        cancel(failure);
        return false;
    }
    if (file.commit())
        return true;
    if (failure)
        *failure = failureOf();
    return false;
}

void SafeFile::cancel(WriteFailure *failure)
{
    if (failure)
        *failure = failureOf();
    file.cancelWriting();
}

bool SafeFile::save(const QString &path, const Fill &fill, WriteFailure *failure, Folder folder)
{
    SafeFile file(path, folder);
    if (!file.open(failure))
        return false;
    if (!fill(file.device())) {
        file.cancel(failure);
        return false;
    }
    return file.commit(failure);
}

bool SafeFile::save(const QString &path, const QByteArray &content, WriteFailure *failure,
                    Folder folder)
{
    return save(
        path, [&content](QIODevice &device) { return writeAll(device, content); }, failure, folder);
}

WriteFailure SafeFile::failureOf() const
{
    WriteFailure failure;
    switch (file.error()) {
    case QFileDevice::NoError: failure.code = WriteFailure::NotWritten; return failure;
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError: failure.code = WriteFailure::CannotCreate; break;
    case QFileDevice::WriteError:
    case QFileDevice::ResourceError:
        // The toolkit refuses a read-only file with a write error before
        // writing anything.
        failure.code =
            QFileInfo::exists(file.fileName()) && !QFileInfo(file.fileName()).isWritable()
                ? WriteFailure::ReadOnly
                : WriteFailure::WriteFailed;
        break;
    case QFileDevice::RenameError: failure.code = WriteFailure::CannotReplace; break;
    default: failure.code = WriteFailure::Other; break;
    }
    failure.detail = file.errorString();
    return failure;
}

SafeFile::Kind SafeFile::kindOf(const QString &path, WriteFailure *failure)
{
    WriteFailure found;
    Kind kind = Kind::Other;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) == 0) {
        kind = S_ISREG(status.st_mode)   ? Kind::Regular
               : S_ISDIR(status.st_mode) ? Kind::Folder
                                         : Kind::Other;
    } else if (errno != ENOENT) {
        found.code = WriteFailure::NotExamined;
        found.detail = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        struct stat link;
        kind = ::lstat(name.constData(), &link) == 0 ? Kind::DanglingLink : Kind::Missing;
    }
#else
    const QFileInfo info(path);
    if (!info.exists())
        kind = info.isSymLink() ? Kind::DanglingLink : Kind::Missing;
    else
        kind = info.isFile() ? Kind::Regular : info.isDir() ? Kind::Folder : Kind::Other;
#endif
    if (found.code == WriteFailure::None) {
        found.code = kind == Kind::DanglingLink ? WriteFailure::DanglingLink
                     : kind == Kind::Folder     ? WriteFailure::Folder
                     : kind == Kind::Other      ? WriteFailure::SpecialFile
                                                : WriteFailure::None;
    }
    if (failure)
        *failure = found;
    return kind;
}

bool SafeFile::mayWriteAt(const QString &path, WriteFailure *failure)
{
    WriteFailure found;
    const Kind kind = kindOf(path, &found);
    if (kind == Kind::Missing || kind == Kind::Regular)
        return true;
    if (failure)
        *failure = found;
    return false;
}

bool SafeFile::writeAll(QIODevice &device, const QByteArray &data)
{
    for (qint64 written = 0; written < data.size();) {
        const qint64 count = device.write(data.constData() + written, data.size() - written);
        if (count <= 0)
            return false;
        written += count;
    }
    return true;
}

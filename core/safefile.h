#pragma once

#include <QSaveFile>
#include <QString>

#include <functional>

// Why a file was not written: a code, and the system's own account where it
// gave one. The windows put it in the user's words.
struct WriteFailure {
    enum Code {
        None,
        DanglingLink,  // a symbolic link to nothing, which is not followed
        Folder,        // a folder stands at the file's place
        SpecialFile,   // a FIFO, device or socket stands there
        NotExamined,   // what stands there could not be looked at
        CannotCreate,  // the folder refuses a new file
        ReadOnly,      // the file may only be read
        WriteFailed,   // the system refused the content, as on a full disk
        NotWritten,    // the content could not be made or was stopped
        CannotReplace, // the new file could not take the old one's name
        Other,
        // Why the list's own file was not written:
        NotAPlainFile, // a folder or special file stands at its place, and is not replaced
        NoCopy,        // it holds what the list did not read, and no copy of it could be kept
        StillReading,  // the list was still being read from it
        StillWriting   // the list was still being written to it
    };

    Code code = None;
    QString detail; // in the system's words; empty where it said nothing
};

// A file written in parts that replaces a previous file only once it is
// complete: until commit() it is written beside it, and cancel() (or the
// object's end without a commit) removes what was written. A failed or
// cancelled write leaves the previous file as it was and no partial file.
// Only a regular file, or a symbolic link to one, is replaced: no folder,
// FIFO or device is written to, and a link to nothing is not followed, as its
// target may lie anywhere, on a drive that is not there now.
class SafeFile
{
public:
    enum class Folder {
        MustExist,    // as for a file the user chose
        MakeIfMissing // the program's own folder, which may have been removed meanwhile
    };

    explicit SafeFile(const QString &path, Folder folder = Folder::MustExist);

    bool open(WriteFailure *failure = nullptr);
    QIODevice &device() { return file; }
    bool commit(WriteFailure *failure = nullptr);
    // Removes what was written; where the writing failed, failure gets why.
    void cancel(WriteFailure *failure = nullptr);

    // Writes what fill puts into the device (returning whether all of it went
    // in) as one SafeFile.
    using Fill = std::function<bool(QIODevice &device)>;
    static bool save(const QString &path, const Fill &fill, WriteFailure *failure = nullptr,
                     Folder folder = Folder::MustExist);
    static bool save(const QString &path, const QByteArray &content,
                     WriteFailure *failure = nullptr, Folder folder = Folder::MustExist);

    // What lies at path, following symbolic links, found without opening it:
    // opening a FIFO waits for a writer for ever, and opening a device may do
    // anything.
    enum class Kind {
        Missing,      // nothing there
        DanglingLink, // a symbolic link to nothing
        Regular,      // a regular file, or a symbolic link to one
        Folder,
        Other // a FIFO, device, socket, or something that cannot be looked at
    };
    static Kind kindOf(const QString &path, WriteFailure *failure = nullptr);

    // Whether a file may be written at path: nothing is there yet, or a
    // regular file or a symbolic link to one.
    static bool mayWriteAt(const QString &path, WriteFailure *failure = nullptr);

    // Writes all of data. A write may store less than it was given (a disk or
    // a file size limit that fills up half-way); writing the rest then either
    // succeeds or fails with the system's reason.
    static bool writeAll(QIODevice &device, const QByteArray &data);

private:
    WriteFailure failureOf() const;

    QSaveFile file;
    const Folder folder;
};

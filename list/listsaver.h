#pragma once

#include "entry.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <mutex>

// Writes list.xml, either at once or in the background on a thread of its
// own, so that a long list is saved without holding up the window. Writes of
// the file never overlap, and a save at once waits for one that is running.
//
// Before every write the data folder is made again when it has gone; a
// list.xml that is not a plain file (a folder, a pipe, a device) is never
// written to; and a file that held more than was read from it is first copied
// aside, so that nothing of it is lost.
class ListSaver : public QObject
{
    Q_OBJECT

public:
    // What is written: the tab names and the rows of every tab.
    struct Content {
        QStringList groupNames;
        QList<EntryGroup> groups;
    };

    explicit ListSaver(const QString &path, QObject *parent = nullptr);
    ~ListSaver() override;

    // Before the next write replaces the file, copy it to "list.<kind>-<n>.xml";
    // no write replaces it until that copy has been made.
    void keepCopyFirst(const QString &kind);

    // Writes the content at once; on failure, reason receives why.
    bool save(const Content &content, QString *reason = nullptr);

    // Writes the content on the background thread and then reports with
    // savedInBackground(), unless a save at once has been made since.
    void saveInBackground(Content content);
    bool isSaving() const;

    // The reasons, in the user's language, for which the program itself
    // refuses to replace the file.
    static QString notAPlainFileReason();
    static QString noCopyReason();

signals:
    void savedInBackground(bool saved, const QString &reason);

private:
    bool write(const Content &content, QString *reason);
    void finishedInBackground(int number, bool saved, const QString &reason);

    const QString path;
    QThreadPool worker;
    std::mutex writing; // held for each write, and while copyKind is used
    QString copyKind;
    int savesStarted = 0; // on the GUI thread only
    int backgroundSaves = 0;
};

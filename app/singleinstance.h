#pragma once

#include "localchannel.h"

#include <QLockFile>
#include <QObject>
#include <QTimer>

// Keeps one copy of the program per data folder, so that two copies never
// write the same list over each other. The running copy holds a lock file in
// the data folder, beside the list, whatever the environment it was started
// in. A later start finds it locked, asks the running copy through a local
// channel named after the data folder to come to the front, and ends.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &dataFolder, QObject *parent = nullptr);

    ~SingleInstance() override;

    enum class Claim {
        Claimed, // no other copy runs: this one now answers later starts
        Shown,   // another copy runs and has been asked to show itself
        Blocked  // the list cannot be locked: blockedReason() tells why
    };
    Claim claim();
    // Why the list could not be locked, in the user's language.
    QString blockedReason() const { return reason; }

    // The local channel's name for a data folder.
    static QString serverName(const QString &dataFolder);

signals:
    // A later start asked this copy to come to the front.
    void shownAgain();

private:
    enum class FolderLock { Held, Busy, Unsupported };
    FolderLock lockFolder();
    bool clearOddLockFile();
    bool lockFileIsStale(bool folderHeld);
    bool lockWithin(int timeout, bool folderBusy);
    Claim start();
    bool askRunningCopyToShow(int timeout);

    const QString name;
    const QString folder;
    QLockFile lock;
    LocalChannel channel;
    QTimer freshness; // touches the lock file, which tells other computers it is used
    QString reason;
    int folderHandle = -1; // held open, and locked, while the copy runs
};

#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

// Keeps one copy of the program per data folder, so that two copies never
// write the same list over each other. The running copy holds a lock file in
// the data folder, beside the list, whatever the environment it was started
// in. A later start finds it locked, asks the running copy through a local
// socket named after the data folder to come to the front, and ends.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &dataFolder, QObject *parent = nullptr);

    // True when no other copy runs: this one then answers later starts.
    // False when another copy runs and has been asked to show itself.
    bool claim();

    // The local socket's name for a data folder.
    static QString serverName(const QString &dataFolder);

signals:
    // A later start asked this copy to come to the front.
    void shownAgain();

private:
    bool askRunningCopyToShow(int timeout);
    void answerLaterStarts();

    const QString name;
    QLockFile lock;
    QLocalServer server;
};

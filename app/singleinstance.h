#pragma once

#include <QLocalServer>
#include <QObject>

// Keeps one copy of the program per user and data folder. A later start finds
// the running copy through a local socket named after the data folder, asks it
// to come to the front and ends, so that two copies never write the same list
// over each other.
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
    bool askRunningCopyToShow();
    void answerLaterStarts();

    const QString name;
    QLocalServer server;
};

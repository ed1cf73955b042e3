#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, which a log-out or a system shut-down sends, and SIGINT,
// SIGHUP and SIGQUIT, which a terminal sends, into a Qt signal on the GUI
// thread, so that the program can save before it ends. A
// signal handler may do next to nothing; it writes one byte to a socket pair
// that the event loop watches. Elsewhere than on Unix it does nothing.
class TerminationSignal : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignal(QObject *parent = nullptr);
    ~TerminationSignal() override;

signals:
    void received();

private:
    void takeSignal();

    QSocketNotifier *notifier = nullptr;
};

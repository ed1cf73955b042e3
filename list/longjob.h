#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QProgressBar;
class QProgressDialog;
class QWidget;

// A long piece of work, such as writing or printing a long tab, done a little
// at a time on the GUI thread (or waited for there, where a thread of its own
// does it), so that the window keeps painting and answering: each turn of the
// event loop gives it a few milliseconds. Once it has taken half a second it
// shows its progress in a dialog over the window, whose "Ακύρωση" stops it;
// what a stopped job leaves behind is its own business. A job ends by
// deleting itself, and one that goes with its window is stopped first.
class LongJob : public QObject
{
    Q_OBJECT

public:
    LongJob(QWidget *window, const QString &title, const QString &label);
    ~LongJob() override;

    // Begins the work at the next turn of the event loop.
    void start();

signals:
    // The work is over: done, failed (with why, in Greek) or stopped.
    void finished();
    void failed(const QString &reason);

protected:
    enum class Step { More, Waiting, Done, Failed };
    // A little of the work, a small part of a frame; reason gets why it
    // failed. Waiting: nothing to do until a while later.
    virtual Step step(QString *reason) = 0;
    bool isOver() const { return over; }
    // How far the work is, of how much: for the progress bar.
    virtual int done() const = 0;
    virtual int total() const = 0;
    // Stops the work for good, leaving nothing behind. A job whose work is not
    // over at its end stops it in its own destructor.
    virtual void stop() = 0;

private:
    void runSlice();
    void showProgress();
    void cancel();
    void end(const QString *failure = nullptr);

    QPointer<QProgressDialog> dialog;
    QProgressBar *bar;
    QTimer ticks;
    QTimer showLater;
    bool over = false;
};

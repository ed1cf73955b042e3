#pragma once

#include <QCursor>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;

#include <initializer_list>

// Keeps widgets disabled for the lifetime of the guard: across a wait for the
// site and the report that follows it.
class DisabledWhileBusy
{
public:
    explicit DisabledWhileBusy(std::initializer_list<QWidget *> widgets);
    ~DisabledWhileBusy();

    DisabledWhileBusy(const DisabledWhileBusy &) = delete;
    DisabledWhileBusy &operator=(const DisabledWhileBusy &) = delete;

private:
    QList<QPointer<QWidget>> widgets;
};

// How a dialog looks while it waits for the site, for the lifetime of the
// indicator: its buttons disabled, the busy cursor, and a note over the middle
// of a widget that says what it waits for and that Escape ends the wait, so
// that a dialog whose buttons are disabled does not look frozen.
class WaitIndicator
{
public:
    WaitIndicator(std::initializer_list<QWidget *> disabled, QWidget *noteOver,
                  const QString &text);
    ~WaitIndicator();

    WaitIndicator(const WaitIndicator &) = delete;
    WaitIndicator &operator=(const WaitIndicator &) = delete;

    // The answer is in: the note and the busy cursor go, while the buttons
    // stay disabled until the outcome has been shown.
    void answerArrived();

private:
    void showNote(QWidget *over, const QString &text);

    DisabledWhileBusy busy;
    QPointer<QWidget> dialog;
    const bool hadOwnCursor;
    const QCursor ownCursor;
    QPointer<QLabel> note;
};

#include "waitindicator.h"

#include <QAccessible>
#include <QLabel>

DisabledWhileBusy::DisabledWhileBusy(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *widget : widgets) {
        widget->setEnabled(false);
        this->widgets.append(widget);
    }
}

// Enabled again in the opposite order, the last disabled first.
DisabledWhileBusy::~DisabledWhileBusy()
{
    for (auto it = widgets.crbegin(); it != widgets.crend(); ++it) {
        if (*it)
            (*it)->setEnabled(true);
    }
}

WaitIndicator::WaitIndicator(std::initializer_list<QWidget *> disabled, QWidget *noteOver,
                             const QString &text)
    : busy(disabled)
    , dialog(noteOver->window())
    , hadOwnCursor(dialog->testAttribute(Qt::WA_SetCursor))
    , ownCursor(dialog->cursor())
{
    dialog->setCursor(Qt::BusyCursor);
    showNote(noteOver, text);
}

WaitIndicator::~WaitIndicator()
{
    answerArrived();
}

void WaitIndicator::answerArrived()
{
    delete note;
    if (!dialog)
        return;
    if (hadOwnCursor)
        dialog->setCursor(ownCursor);
    else
        dialog->unsetCursor();
}

void WaitIndicator::showNote(QWidget *over, const QString &text)
{
    note = new QLabel(text, dialog);
    note->setObjectName(QStringLiteral("waitNote"));
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignCenter);
    note->setMargin(8);
    // The window's own colours, framed in its text colour: readable on a
    // light and on a dark desktop alike.
    note->setFrameShape(QFrame::Box);
    note->setAutoFillBackground(true);
    note->setBackgroundRole(QPalette::Window);
    note->setForegroundRole(QPalette::WindowText);

    const int margin = 10;
    const int width = qMin(note->sizeHint().width(), dialog->width() - 2 * margin);
    QRect place(QPoint(), QSize(width, note->heightForWidth(width)));
    place.moveCenter(QRect(over->mapTo(dialog, QPoint()), over->size()).center());
    place.moveLeft(qBound(margin, place.left(), dialog->width() - margin - place.width()));
    place.moveTop(qMax(margin, qMin(place.top(), dialog->height() - margin - place.height())));
    note->setGeometry(place);
    note->show();
    note->raise();
    QAccessibleEvent shown(note, QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
}

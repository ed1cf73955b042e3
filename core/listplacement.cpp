#include "listplacement.h"

#include <QList>

#include <algorithm>

namespace ListPlacement {

namespace {

// Moves the frame onto the screen where it sticks out, its top left corner
// first.
QRect keptOnScreen(QRect frame, const QRect &screen)
{
    frame.moveLeft(
        std::max(screen.left(), std::min(frame.left(), screen.right() + 1 - frame.width())));
    frame.moveTop(
        std::max(screen.top(), std::min(frame.top(), screen.bottom() + 1 - frame.height())));
    return frame;
}

// The frames on each side of the calculator, in the order of preference,
// each as large as the wished size and that side's room allow.
QList<QRect> framesOnEachSide(const QRect &calculator, const QSize &wished, const QRect &screen)
{
    const int roomRight = screen.right() - calculator.right() - gap;
    const int roomLeft = calculator.left() - screen.left() - gap;
    const int roomBelow = screen.bottom() - calculator.bottom() - gap;
    const int roomAbove = calculator.top() - screen.top() - gap;
    const QSize fitting = wished.boundedTo(screen.size());

    const int rightWidth = std::min(fitting.width(), roomRight);
    const int leftWidth = std::min(fitting.width(), roomLeft);
    const int belowHeight = std::min(fitting.height(), roomBelow);
    const int aboveHeight = std::min(fitting.height(), roomAbove);

    return {
        keptOnScreen(
            QRect(calculator.right() + 1 + gap, calculator.top(), rightWidth, fitting.height()),
            screen),
        keptOnScreen(QRect(calculator.left() - gap - leftWidth, calculator.top(), leftWidth,
                           fitting.height()),
                     screen),
        keptOnScreen(
            QRect(calculator.left(), calculator.bottom() + 1 + gap, fitting.width(), belowHeight),
            screen),
        keptOnScreen(QRect(calculator.left(), calculator.top() - gap - aboveHeight, fitting.width(),
                           aboveHeight),
                     screen),
    };
}

qint64 area(const QRect &frame)
{
    return qint64(frame.width()) * frame.height();
}

} // namespace

QRect besideCalculator(const QRect &calculator, const QSize &wished, const QSize &smallest,
                       const QRect &screen)
{
    const QList<QRect> sides = framesOnEachSide(calculator, wished, screen);
    const QSize fitting = wished.boundedTo(screen.size());
    for (const QRect &frame : sides) {
        if (frame.size() == fitting && !frame.intersects(calculator))
            return frame;
    }

    const QRect *roomiest = nullptr;
    for (const QRect &frame : sides) {
        const bool bigEnough =
            frame.width() >= smallest.width() && frame.height() >= smallest.height();
        if (bigEnough && !frame.intersects(calculator)
            && (!roomiest || area(frame) > area(*roomiest)))
            roomiest = &frame;
    }
    if (roomiest)
        return *roomiest;

    // The screen holds not both: the list, at its smallest, overlaps the
    // calculator from its right, over the rate buttons rather than the boxes.
    const QSize least(std::min(smallest.width(), fitting.width()), fitting.height());
    return keptOnScreen(QRect(QPoint(calculator.right() + 1 + gap, calculator.top()), least),
                        screen);
}

} // namespace ListPlacement

#pragma once

#include <QRect>
#include <QSize>

// Where the list window first appears: beside the calculator, never over it
// while the screen has room for both.
namespace ListPlacement {

// The frame of the list window, given the calculator's frame, the list's
// wished and smallest frame sizes and the screen's free area. The list goes
// to the right of the calculator, else to its left, else below, else above,
// wherever its wished size fits; where it fits nowhere, it goes to the side
// with the most room and shrinks to that room, never below its smallest
// size. Only a screen too small for both windows makes it overlap the
// calculator: at its smallest width, from the calculator's right, where the
// rate buttons are, and on the screen, its top left corner first.
QRect besideCalculator(const QRect &calculator, const QSize &wished, const QSize &smallest,
                       const QRect &screen);

// The room left between the two windows.
constexpr int gap = 6;

} // namespace ListPlacement

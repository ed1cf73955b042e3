#pragma once

#include <QString>

struct WriteFailure;

class QWidget;

// The boxes that tell of a list that could not be written to its file.
namespace SaveFailureBox {

// Tells of it with a single button; the program tries again at the next
// change and at close.
void tell(QWidget *parent, const QString &path, const WriteFailure &failure);

// Tells that the list has grown as far as its file can hold it.
void tellFull(QWidget *parent);

// Offers to try again or to close without saving: true for "try again";
// false for "close without saving", also when the box was closed without an
// answer because the program is being ended.
bool askToRetry(QWidget *parent, const QString &path, const WriteFailure &failure);

} // namespace SaveFailureBox

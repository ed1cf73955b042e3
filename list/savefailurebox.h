#pragma once

#include <QString>

class QWidget;
class SavedList;

// The boxes that tell of a list that could not be written to its file.
namespace SaveFailureBox {

// Writes the list as the program closes; when that fails while the file lacks
// some of the list, asks whether to try again or to close without saving,
// until one is chosen.
void saveBeforeClosing(SavedList &list, QWidget *parent);
// Writes the list as the session or the process ends; a failure is told once,
// when mayAsk.
void saveAtSessionEnd(SavedList &list, QWidget *parent, bool mayAsk);

// Tells of it with a single button; the program tries again at the next
// change and at close.
void tell(QWidget *parent, const QString &path, const QString &reason);

// Tells that the list has grown as far as its file can hold it.
void tellFull(QWidget *parent);

// Offers to try again or to close without saving: true for "try again";
// false for "close without saving", also when the box was closed without an
// answer because the program is being ended.
bool askToRetry(QWidget *parent, const QString &path, const QString &reason);

} // namespace SaveFailureBox

#pragma once

class QAbstractSpinBox;
class QAction;

// A number box keeps its own right-click menu (copy, paste, step up and
// down), which also opens by the Menu key and by Shift+F10, and that menu
// ends with one command of the window's, where the user's pointer and focus
// already are.
namespace NumberBoxMenu {

void endWith(QAbstractSpinBox *box, QAction *command);

} // namespace NumberBoxMenu

#include "numberboxmenu.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTimer>

namespace {

// Watches one box: its text field, where the box makes its menu as a child,
// and the box itself, which is asked for the menu.
class MenuExtender : public QObject
{
public:
    MenuExtender(QAbstractSpinBox *box, QAction *command)
        : QObject(box)
        , box(box)
        , command(command)
    {
        box->installEventFilter(this);
        if (auto *field = box->findChild<QLineEdit *>())
            field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ChildAdded:
            // Still a bare object while it is being made: known as a menu once
            // its first entry is added.
            static_cast<QChildEvent *>(event)->child()->installEventFilter(this);
            break;
        case QEvent::ActionAdded:
            if (auto *menu = qobject_cast<QMenu *>(watched)) {
                menu->removeEventFilter(this);
                connect(menu, &QMenu::aboutToShow, this, [this, menu] { append(menu); });
            }
            break;
        case QEvent::ContextMenu:
            if (watched == box && !sending
                && static_cast<QContextMenuEvent *>(event)->reason()
                       == QContextMenuEvent::Keyboard) {
                requestByKeyboard();
                return true;
            }
            break;
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
                requestByKeyboard();
                return true;
            }
            break;
        }
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void append(QMenu *menu)
    {
        if (command && !menu->actions().contains(command.data())) {
            menu->addSeparator();
            menu->addAction(command.data());
        }
    }

    // A system may report one key press both as a key and as a menu request:
    // the requests made before the menu opens give one menu.
    void requestByKeyboard()
    {
        if (pending)
            return;
        pending = true;
        QTimer::singleShot(0, this, [this] {
            pending = false;
            if (!box->isVisible())
                return;
            const QPoint middle = box->rect().center();
            QContextMenuEvent request(QContextMenuEvent::Keyboard, middle,
                                      box->mapToGlobal(middle));
            sending = true;
            QCoreApplication::sendEvent(box, &request);
            sending = false;
        });
    }

    QAbstractSpinBox *box;
    QPointer<QAction> command;
    bool pending = false;
    bool sending = false;
};

} // namespace

namespace NumberBoxMenu {

void endWith(QAbstractSpinBox *box, QAction *command)
{
    new MenuExtender(box, command);
}

} // namespace NumberBoxMenu

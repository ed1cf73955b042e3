#include "savefailurebox.h"

#include "savedlist.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>

namespace SaveFailureBox {

namespace {

const QString boxTitle = QStringLiteral("Φ.Π.Α. μετρίνο: Λίστα");

QString failureText(const QString &path, const QString &reason)
{
    return QStringLiteral("Η λίστα δεν αποθηκεύτηκε στο αρχείο\n%1\n\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

void tell(QWidget *parent, const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Critical, boxTitle, failureText(path, reason),
                    QMessageBox::NoButton, parent);
    box.setDefaultButton(box.addButton(QStringLiteral("Εντάξει"), QMessageBox::AcceptRole));
    box.exec();
}

bool askToRetry(QWidget *parent, const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Critical, boxTitle, failureText(path, reason),
                    QMessageBox::NoButton, parent);
    QPushButton *retry = box.addButton(QStringLiteral("Επανάληψη"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Κλείσιμο χωρίς αποθήκευση"), QMessageBox::DestructiveRole);
    box.setDefaultButton(retry);
    box.exec();
    return box.clickedButton() == retry;
}

void saveBeforeClosing(SavedList &list, QWidget *parent)
{
    QString reason;
    while (!list.save(&reason)) {
        // Nothing of this session is lost: the file holds what it held.
        if (!list.hasUnsavedChanges())
            return;
        if (!askToRetry(parent, list.path(), reason)) {
            list.giveUpUnsavedChanges();
            return;
        }
    }
}

void saveAtSessionEnd(SavedList &list, QWidget *parent, bool mayAsk)
{
    QString reason;
    if (!list.save(&reason) && mayAsk && list.hasUnsavedChanges() && list.takeFailureNotice())
        tell(parent, list.path(), reason);
}

} // namespace SaveFailureBox

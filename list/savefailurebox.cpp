#include "savefailurebox.h"

#include "core/savedlist.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>

namespace SaveFailureBox {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(SaveFailureBox)
};

QString boxTitle()
{
    return Text::tr("Φ.Π.Α. μετρίνο: Λίστα");
}

// How long closing waits for the rest of the file to be read before it asks,
// and how long the end of the session or the process does: a program told to
// end is gone within a second.
const int closingWaitMs = 2000;
const int endingWaitMs = 400;

QString failureText(const QString &path, const QString &reason)
{
    return Text::tr("Η λίστα δεν αποθηκεύτηκε στο αρχείο\n%1\n\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

void tell(QWidget *parent, const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Critical, boxTitle(), failureText(path, reason),
                    QMessageBox::NoButton, parent);
    box.setDefaultButton(box.addButton(Text::tr("Εντάξει"), QMessageBox::AcceptRole));
    box.exec();
}

void tellFull(QWidget *parent)
{
    QMessageBox box(QMessageBox::Warning, boxTitle(),
                    Text::tr("Η λίστα έφτασε το μεγαλύτερο μέγεθος που χωράει στο αρχείο "
                             "της, και δεν προστέθηκε τίποτα.\n\nΔιαγράψτε παλιότερες "
                             "τιμές για να κάνετε χώρο."),
                    QMessageBox::NoButton, parent);
    box.setDefaultButton(box.addButton(Text::tr("Εντάξει"), QMessageBox::AcceptRole));
    box.exec();
}

bool askToRetry(QWidget *parent, const QString &path, const QString &reason)
{
    QMessageBox box(QMessageBox::Critical, boxTitle(), failureText(path, reason),
                    QMessageBox::NoButton, parent);
    QPushButton *retry = box.addButton(Text::tr("Επανάληψη"), QMessageBox::AcceptRole);
    box.addButton(Text::tr("Κλείσιμο χωρίς αποθήκευση"), QMessageBox::DestructiveRole);
    box.setDefaultButton(retry);
    box.exec();
    return box.clickedButton() == retry;
}

void saveBeforeClosing(SavedList &list, QWidget *parent)
{
    QString reason;
    while (!list.save(&reason, QDeadlineTimer(closingWaitMs))) {
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
    if (!list.save(&reason, QDeadlineTimer(endingWaitMs)) && mayAsk && list.hasUnsavedChanges()
        && list.takeFailureNotice())
        tell(parent, list.path(), reason);
}

} // namespace SaveFailureBox

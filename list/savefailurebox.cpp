#include "savefailurebox.h"

#include "failuretext.h"

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

QString boxText(const QString &path, const WriteFailure &failure)
{
    return Text::tr("Η λίστα δεν αποθηκεύτηκε στο αρχείο\n%1\n\n%2")
        .arg(QDir::toNativeSeparators(path), failureText(failure));
}

} // namespace

void tell(QWidget *parent, const QString &path, const WriteFailure &failure)
{
    QMessageBox box(QMessageBox::Critical, boxTitle(), boxText(path, failure),
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

bool askToRetry(QWidget *parent, const QString &path, const WriteFailure &failure)
{
    QMessageBox box(QMessageBox::Critical, boxTitle(), boxText(path, failure),
                    QMessageBox::NoButton, parent);
    QPushButton *retry = box.addButton(Text::tr("Επανάληψη"), QMessageBox::AcceptRole);
    box.addButton(Text::tr("Κλείσιμο χωρίς αποθήκευση"), QMessageBox::DestructiveRole);
    box.setDefaultButton(retry);
    box.exec();
    return box.clickedButton() == retry;
}

} // namespace SaveFailureBox

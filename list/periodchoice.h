#pragma once

#include "core/entrydate.h"
#include "listprinter.h"

#include <QDialog>

QT_BEGIN_NAMESPACE
class QRadioButton;
namespace Ui {
class PeriodChoice;
}
QT_END_NAMESPACE

// Asks which entries of the tab to hand on: today's, this month's, last
// month's or all, each named with how many it holds.
class PeriodChoice : public QDialog
{
    Q_OBJECT

public:
    PeriodChoice(const EntryGroup &rows, const QDate &today, QWidget *parent = nullptr);
    ~PeriodChoice() override;

    Period::Kind chosen() const;

    // Asks, then leaves in the tab the rows of the period chosen, with their
    // totals and the period in its title; false when the user cancels.
    static bool narrow(QWidget *parent, ListPrinter::Content &tab);

private:
    QRadioButton *buttonOf(Period::Kind kind) const;

    Ui::PeriodChoice *ui;
};

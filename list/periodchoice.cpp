#include "periodchoice.h"
#include "ui_periodchoice.h"

#include "core/totals.h"

#include <QPushButton>

PeriodChoice::PeriodChoice(const EntryGroup &rows, const QDate &today, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::PeriodChoice)
{
    ui->setupUi(this);
    for (Period::Kind kind : Period::kinds) {
        const auto count = Period::rowsOf(rows, kind, today).size();
        buttonOf(kind)->setText(QStringLiteral("%1 (%2)").arg(Period::name(kind)).arg(count));
    }
    // Wide enough for its title, which a window manager would cut short
    // beside its buttons (the form keeps the dialog at its layout's size).
    QFont titleFont = font();
    titleFont.setBold(true);
    const QFontMetrics title(titleFont);
    ui->label_question->setMinimumWidth(title.horizontalAdvance(windowTitle())
                                        + 9 * title.height());
    // Enter takes the period checked: where the desktop's theme lets Enter
    // press the focused button, a first radio button with the focus would
    // otherwise be chosen instead.
    ui->buttonBox->button(QDialogButtonBox::Ok)->setFocus();
}

PeriodChoice::~PeriodChoice()
{
    delete ui;
}

QRadioButton *PeriodChoice::buttonOf(Period::Kind kind) const
{
    switch (kind) {
    case Period::Today: return ui->radioButton_today;
    case Period::ThisMonth: return ui->radioButton_thisMonth;
    case Period::LastMonth: return ui->radioButton_lastMonth;
    case Period::All: break;
    }
    return ui->radioButton_all;
}

Period::Kind PeriodChoice::chosen() const
{
    for (Period::Kind kind : Period::kinds) {
        if (buttonOf(kind)->isChecked())
            return kind;
    }
    return Period::All;
}

bool PeriodChoice::narrow(QWidget *parent, ListPrinter::Content &tab)
{
    const QDate today = QDate::currentDate();
    PeriodChoice choice(tab.rows, today, parent);
    if (choice.exec() != QDialog::Accepted)
        return false;
    const Period::Kind kind = choice.chosen();
    if (kind == Period::All)
        return true; // the tab as it is, with the totals that it shows
    tab.rows = Period::rowsOf(tab.rows, kind, today);
    GroupTotals totals;
    for (const Entry &entry : tab.rows)
        totals.add(entry);
    tab.totals = totals.parts();
    tab.period = Period::describe(kind, today);
    return true;
}

#include "decimalspinbox.h"

#include "core/amounttext.h"

#include <QFocusEvent>
#include <QToolTip>

QString DecimalSpinBox::inLocaleForm(const QString &typed) const
{
    return AmountText::toLocaleForm(typed, locale().decimalPoint());
}

QValidator::State DecimalSpinBox::validate(QString &input, int &pos) const
{
    QString amount = inLocaleForm(input);
    if (amount.isNull())
        return QValidator::Invalid;

    QValidator::State state;
    if (amount == input) {
        // Written as the locale writes it: the toolkit may tidy the text.
        state = QDoubleSpinBox::validate(input, pos);
    } else {
        int amountPos = qMin(pos, int(amount.size()));
        state = QDoubleSpinBox::validate(amount, amountPos);
    }
    // "1.234" is no amount yet, but may become one once ",56" is typed.
    if (state == QValidator::Invalid && AmountText::isGroupedSoFar(input))
        return QValidator::Intermediate;
    if (state == QValidator::Invalid && isOverMaximum(amount))
        tellMaximum();
    return state;
}

void DecimalSpinBox::holdRate()
{
    holdsRate = true;
}

bool DecimalSpinBox::isOverMaximum(const QString &amount) const
{
    bool isNumber = false;
    const double value = locale().toDouble(amount, &isNumber);
    return isNumber && value > maximum();
}

// Said under the box, where the user looks while typing.
void DecimalSpinBox::tellMaximum() const
{
    QLocale grouped = locale();
    grouped.setNumberOptions(QLocale::DefaultNumberOptions);
    const QString largest = grouped.toString(maximum(), 'f', decimals());
    const QString note = holdsRate ? tr("Μέγιστος συντελεστής %1 %").arg(largest)
                                   : tr("Μέγιστο ποσό %1").arg(largest);
    QToolTip::showText(mapToGlobal(QPoint(0, height())), note, const_cast<DecimalSpinBox *>(this));
}

// A lone "." or "," stays a decimal point when the user leaves the box: the
// toolkit would take it for a group separator and read "1.234" as 1234.
void DecimalSpinBox::fixup(QString &input) const
{
    const QString amount = inLocaleForm(input);
    if (!amount.isNull())
        input = amount;
    QDoubleSpinBox::fixup(input);
}

double DecimalSpinBox::valueFromText(const QString &text) const
{
    const QString amount = inLocaleForm(text);
    return QDoubleSpinBox::valueFromText(amount.isNull() ? QString() : amount);
}

// Coming in from the keyboard or with the window selects the amount; a click
// places the cursor where it points.
void DecimalSpinBox::focusInEvent(QFocusEvent *event)
{
    QDoubleSpinBox::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
        || reason == Qt::ShortcutFocusReason || reason == Qt::ActiveWindowFocusReason)
        selectAll();
}

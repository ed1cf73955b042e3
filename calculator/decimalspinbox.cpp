#include "decimalspinbox.h"

QValidator::State DecimalSpinBox::validate(QString &input, int &pos) const
{
    const QString decimalPoint = locale().decimalPoint();
    if (decimalPoint != QLatin1String("."))
        input.replace(QLatin1Char('.'), decimalPoint);
    return QDoubleSpinBox::validate(input, pos);
}

#pragma once

#include <QDoubleSpinBox>

// A number box that also takes "." as the decimal point where the locale
// writes ",". Greek users type "12.5" (and the keypad's decimal key gives
// "."), which a Greek locale would otherwise read as a group separator and
// turn into 125. The boxes never show group separators, so nothing is lost.
class DecimalSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QValidator::State validate(QString &input, int &pos) const override;
};

#pragma once

#include <QDoubleSpinBox>

// A number box that reads amounts as people type or paste them, in any
// locale: "." and "," both stand for the decimal point (Greek users type
// "12.5", and the keypad's decimal key gives "."), and when both appear the
// last one is the decimal point and the others group the digits: "1.234,56"
// and "1,234.56" are both 1234,56. The locale alone would take "12.5" for 125
// in Greek and "12,5" for 125 in English. The box shows what was typed until
// the user leaves it, then the amount in the locale's own form.
//
// When the box gets the focus from the keyboard or with its window, its whole
// text is selected, so that typing replaces the amount instead of adding
// digits to it.
class DecimalSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    double valueFromText(const QString &text) const override;

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    QString inLocaleForm(const QString &typed) const;
};

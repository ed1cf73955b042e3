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
//
// An amount over the box's maximum is refused as it is typed or pasted: the
// box keeps what it held and a tool tip near it names the maximum, instead of
// the toolkit's silent refusal that left "1250000" as 125000 and made
// "999999,99" into 999999,00.
class DecimalSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    double valueFromText(const QString &text) const override;

    // The box holds a VAT rate rather than an amount: the tool tip names the
    // largest rate.
    void holdRate();

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    QString inLocaleForm(const QString &typed) const;
    bool isOverMaximum(const QString &amount) const;
    void tellMaximum() const;

    bool holdsRate = false;
};

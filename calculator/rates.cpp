#include "rates.h"
#include "ui_rates.h"

#include "decimalspinbox.h"

#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>

#include <algorithm>
#include <cmath>

Rates::Rates(const RateSet &current, MoveCounter countMoves, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::Rates)
    , countMoves(std::move(countMoves))
{
    ui->setupUi(this);
    describeFillButtons();
    reserveMessageSpace();
    for (QDoubleSpinBox *box : boxes())
        connect(box, &QDoubleSpinBox::valueChanged, this, &Rates::refresh);
    for (DecimalSpinBox *box : findChildren<DecimalSpinBox *>())
        box->holdRate();
    showRates(current);
}

Rates::~Rates()
{
    delete ui;
}

std::array<QDoubleSpinBox *, RateSet::count> Rates::boxes() const
{
    return {ui->doubleSpinBox_rate_1, ui->doubleSpinBox_rate_2, ui->doubleSpinBox_rate_3,
            ui->doubleSpinBox_rate_4, ui->doubleSpinBox_rate_5, ui->doubleSpinBox_rate_6};
}

RateSet Rates::rates() const
{
    RateSet::Hundredths hundredths{};
    const auto shown = boxes();
    for (int position = 0; position < RateSet::count; ++position)
        hundredths[position] = int(std::lround(shown[position]->value() * 100));
    return RateSet(hundredths);
}

// Equal rates would leave an entry of that rate two tabs to go to.
void Rates::accept()
{
    if (rates().isValid())
        QDialog::accept();
}

void Rates::on_pushButton_rates_2011_clicked()
{
    showRates(RateSet::until2015());
}

void Rates::on_pushButton_rates_2016_clicked()
{
    showRates(RateSet::from2016());
}

// Fills all six boxes, then judges the new rates once, not box by box.
void Rates::showRates(const RateSet &rates)
{
    const auto shown = boxes();
    for (int position = 0; position < RateSet::count; ++position) {
        const QSignalBlocker blocker(shown[position]);
        shown[position]->setValue(rates.percent(position));
    }
    refresh();
}

// The buttons name years; their tool tips name the rates they fill in.
void Rates::describeFillButtons()
{
    const auto listed = [](const RateSet &rates) {
        QStringList texts;
        for (int position = 0; position < RateSet::count; ++position)
            texts << rates.text(position);
        return texts.join(QStringLiteral(", "));
    };
    ui->pushButton_rates_2011->setToolTip(
        tr("Οι συντελεστές έως το 2015: %1").arg(listed(RateSet::until2015())));
    ui->pushButton_rates_2016->setToolTip(
        tr("Οι συντελεστές από το 2016: %1").arg(listed(RateSet::from2016())));
}

// Only one of the two messages shows at a time, in the same room, and that
// room holds the longest of them, so that the dialog keeps its size while the
// user types.
void Rates::reserveMessageSpace()
{
    const QFontMetricsF metrics(ui->label_moves->font());
    // Fractions of a pixel count: the label wraps a text one of them too wide.
    qreal widestLine = 0;
    for (const QString &line : movesText(999999).split(QLatin1Char('\n')))
        widestLine = std::max(widestLine, metrics.horizontalAdvance(line));
    const int width = int(std::ceil(widestLine)) + 1;
    // Between the two longest names.
    const QString longestReason = equalRatesReason(std::make_pair(3, 5));
    const QRectF reasonRect =
        metrics.boundingRect(QRectF(0, 0, width, 0), Qt::TextWordWrap, longestReason);
    const int height = int(std::ceil(std::max(2 * metrics.lineSpacing(), reasonRect.height())));
    for (QLabel *label : {ui->label_equalRates, ui->label_moves}) {
        label->setMinimumSize(width, height);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
}

void Rates::refresh()
{
    const RateSet chosen = rates();
    const QString reason = equalRatesReason(chosen.equalPair());
    ui->label_equalRates->setText(reason);
    ui->label_equalRates->setVisible(!reason.isEmpty());
    const bool counted = reason.isEmpty() && countMoves;
    ui->label_moves->setText(counted ? movesText(countMoves(chosen)) : QString());
    ui->label_moves->setVisible(reason.isEmpty());
    // A screen reader that lands on the refused button says why.
    QPushButton *ok = ui->buttonBox->button(QDialogButtonBox::Ok);
    ok->setEnabled(reason.isEmpty());
    ok->setAccessibleDescription(reason);
}

QString Rates::equalRatesReason(std::optional<std::pair<int, int>> equalPair) const
{
    if (!equalPair)
        return QString();
    const QLabel *labels[] = {ui->label_rate_1, ui->label_rate_2, ui->label_rate_3,
                              ui->label_rate_4, ui->label_rate_5, ui->label_rate_6};
    return tr("«%1» και «%2» δεν μπορούν να έχουν τον ίδιο συντελεστή.")
        .arg(labels[equalPair->first]->text(), labels[equalPair->second]->text());
}

QString Rates::movesText(int moves) const
{
    if (moves <= 0)
        return QString();
    // Said before OK: the moves go with the rates, not with the deletions
    // that Ctrl+Z puts back.
    const QString irreversible = tr("\n(δεν αναιρείται με Ctrl+Z)");
    if (moves == 1)
        return tr("1 εγγραφή θα μετακινηθεί σε άλλη καρτέλα") + irreversible;
    return tr("%1 εγγραφές θα μετακινηθούν σε άλλη καρτέλα").arg(locale().toString(moves))
           + irreversible;
}

#pragma once

#include "core/rateset.h"

#include <QDialog>

#include <array>
#include <functional>

class QDoubleSpinBox;

QT_BEGIN_NAMESPACE
namespace Ui {
class Rates;
}
QT_END_NAMESPACE

// The dialog in which the user sets the six preset VAT rates, as the law has
// them. It starts from a set of rates and, once accepted, gives back the set
// the user chose; it refuses two equal rates, since an entry is filed by the
// value of its rate. While the user edits, it tells how many saved entries
// the new rates would move to another tab, as a counter it is given says.
class Rates : public QDialog
{
    Q_OBJECT

public:
    // How many saved entries would move to another tab under those rates.
    using MoveCounter = std::function<int(const RateSet &)>;

    explicit Rates(const RateSet &current, MoveCounter countMoves = {}, QWidget *parent = nullptr);
    ~Rates() override;

    // The rates the boxes show.
    RateSet rates() const;

public slots:
    void accept() override;

private slots:
    void on_pushButton_rates_2011_clicked();
    void on_pushButton_rates_2016_clicked();

private:
    std::array<QDoubleSpinBox *, RateSet::count> boxes() const;
    void showRates(const RateSet &rates);
    void describeFillButtons();
    void reserveMessageSpace();
    void refresh();
    QString equalRatesReason(std::optional<std::pair<int, int>> equalPair) const;
    QString movesText(int moves) const;

    Ui::Rates *ui;
    MoveCounter countMoves;
};

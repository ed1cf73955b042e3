#pragma once

#include "entry.h"

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// The sums of a tab, kept in whole cents: the amounts are read from the texts
// that the calculator wrote, never added up in floating point.
namespace Totals {

// The largest amount that is read, in cents (just under 100 billion). The
// calculator writes far smaller ones; the bound keeps the sums of any list
// the file can hold within 64 bits.
constexpr qint64 maxCents = Q_INT64_C(9999999999999);

// The amount a cell shows, in whole cents: written as the locale writes it
// ("1234,56" in Greek, "1234.56" in English), or with "." or "," as the
// decimal point as an amount is typed ("1.234,56" and "1,234.56" are both
// 1234.56 anywhere). Nothing when it is no amount, has non-zero digits below
// the cent, or is beyond maxCents.
std::optional<qint64> readCents(const QString &text, const QLocale &locale = QLocale());

// The amount with two decimals and the locale's group separator: "1.234,56"
// in Greek, "1,234.56" in English.
QString formatCents(qint64 cents, const QLocale &locale = QLocale());

} // namespace Totals

// The running sums of one tab, kept up to date row by row as entries come and
// go, so that no change needs a pass over the whole tab. A row whose price,
// VAT or final amount cannot be read is counted but left out of all three
// sums, so that they still add up.
class GroupTotals
{
    Q_DECLARE_TR_FUNCTIONS(GroupTotals)

public:
    explicit GroupTotals(const QLocale &locale = QLocale())
        : locale(locale)
    {
    }

    void add(const Entry &entry) { apply(entry, +1); }
    void remove(const Entry &entry) { apply(entry, -1); }
    void clear() { *this = GroupTotals(locale); }

    int rows() const { return rowCount; }
    int unreadableRows() const { return unreadableCount; }
    qint64 posoCents() const { return poso; }
    qint64 extraPosoCents() const { return extraPoso; }
    qint64 finalPosoCents() const { return finalPoso; }

    // "12 εγγραφές", "Αρχική 1.234,56", "Φ.Π.Α. 283,95", "Τελική 1.518,51",
    // and "2 χωρίς ποσό" when rows could not be read; "Καμία εγγραφή" alone
    // for an empty tab.
    QStringList parts() const;
    // The parts on one line, with separator() between them.
    QString text() const;
    static QString separator();

private:
    void apply(const Entry &entry, int sign);

    QLocale locale;
    int rowCount = 0;
    int unreadableCount = 0;
    qint64 poso = 0;
    qint64 extraPoso = 0;
    qint64 finalPoso = 0;
};

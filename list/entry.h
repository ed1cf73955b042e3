#pragma once

#include <QList>
#include <QString>

// One saved calculation: the four texts that the calculator displayed, in
// column order. The list keeps them as texts, and two entries are the same
// entry when all four texts are equal; only the rate is read as a number, to
// pick its tab.
struct Entry {
    QString poso;      // price before VAT
    QString fpa;       // VAT rate
    QString extraPoso; // VAT amount
    QString finalPoso; // price with VAT

    friend bool operator==(const Entry &a, const Entry &b)
    {
        return a.poso == b.poso && a.fpa == b.fpa && a.extraPoso == b.extraPoso
               && a.finalPoso == b.finalPoso;
    }
    friend bool operator!=(const Entry &a, const Entry &b) { return !(a == b); }
};

Q_DECLARE_TYPEINFO(Entry, Q_RELOCATABLE_TYPE);

// The entries of one tab, top row first.
using EntryGroup = QList<Entry>;

#pragma once

#include <QList>
#include <QString>

// One saved calculation: the four texts that the calculator displayed, in
// column order, and when it was added. The list keeps them as texts, and two
// entries are the same entry when all four texts are equal, whenever they
// were added; only the rate is read as a number, to pick its tab.
struct Entry {
    QString poso;      // price before VAT
    QString fpa;       // VAT rate
    QString extraPoso; // VAT amount
    QString finalPoso; // price with VAT
    // Local time to the minute, "20261209T1432" (see EntryDate);
    // empty for entries of files written before dates were kept.
    QString date{};

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

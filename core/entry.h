#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// When an entry was added, local time to the minute. It is written and read
// as "20261209T1432" (see EntryDate) and held as the number 202612091432:
// eight bytes in the row, where the text took a string of its own on every
// row of a long list. It converts to and from that text.
class EntryStamp
{
public:
    static constexpr int textLength = 13;

    EntryStamp() = default;
    // From the text; a malformed one gives no date.
    EntryStamp(QStringView text);
    EntryStamp(const QString &text)
        : EntryStamp(QStringView(text))
    {
    }
    EntryStamp(const char *text)
        : EntryStamp(QString::fromLatin1(text))
    {
    }

    // No date: entries of files written before dates were kept.
    bool isEmpty() const { return number == 0; }
    // "20261209T1432"; empty for no date.
    QString toString() const;
    operator QString() const { return toString(); }
    // The day as the number yyyyMMdd, 20261209; 0 for no date.
    int dayNumber() const { return int(number / 10000); }
    int hour() const { return int(number / 100 % 100); }
    int minute() const { return int(number % 100); }

private:
    qint64 number = 0; // yyyyMMddHHmm
};

// One saved calculation: the four texts that the calculator displayed, in
// column order, and when it was added. The list keeps them as texts, and two
// entries are the same entry when all four texts are equal, whenever they
// were added; only the rate is read as a number, to pick its tab.
struct Entry {
    QString poso;      // price before VAT
    QString fpa;       // VAT rate
    QString extraPoso; // VAT amount
    QString finalPoso; // price with VAT
    // Empty for entries of files written before dates were kept.
    EntryStamp date{};

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

#pragma once

#include "entry.h"

#include <QDate>
#include <QString>
#include <QTime>

// When an entry was added, kept as local time to the minute in the form
// "20261209T1432" (ISO 8601's basic format, without an offset: the extended
// one would make the list file a third larger). As text it is written and
// read back unchanged, and sorts and compares as the times do.
namespace EntryDate {

// The moment now, in that form.
QString now();

// Whether text is a date in that form, and a real one (no 31 November).
bool isValid(QStringView text);

// Its day and time of day; false for no date. (No QDateTime: it would look
// up the time zone for every row.)
bool split(EntryStamp stamp, QDate *day, QTime *time);

// "9/12/2026 14:32", as the user reads it; empty for no date.
QString shown(EntryStamp stamp);

// "2026-12-09 14:32", which spreadsheets read as a date and time in any
// language; empty for no date.
QString forSpreadsheet(EntryStamp stamp);

// "Καταχωρίστηκε 9/12/2026 14:32", for a row's tool tip; empty for no date.
QString toolTip(EntryStamp stamp);

} // namespace EntryDate

// The parts of the list that export and print offer: the entries added today,
// this month, last month, or every entry, dated or not.
namespace Period {

enum Kind { Today, ThisMonth, LastMonth, All };
constexpr Kind kinds[] = {Today, ThisMonth, LastMonth, All};

// "Σήμερα", "Αυτός ο μήνας", "Ο προηγούμενος μήνας", "Όλες".
QString name(Kind kind);

// What the period is, for a page heading: "9/12/2026", "Δεκέμβριος 2026";
// empty for All.
QString describe(Kind kind, const QDate &today = QDate::currentDate());

// The rows of the period that the day is in, in their order. An entry
// without a date belongs to All alone.
EntryGroup rowsOf(const EntryGroup &rows, Kind kind, const QDate &today = QDate::currentDate());

} // namespace Period

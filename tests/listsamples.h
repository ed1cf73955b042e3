#pragma once

// Entries by letter, and the groups of a saved list described by them, for
// the tests of the list and of its file.

#include "core/entry.h"
#include "core/savedlist.h"
#include "core/totals.h"

#include <QFile>
#include <QHash>
#include <QStringList>
#include <QtGlobal>

const QStringList groupNames = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};

// Entries by letter, for the tables below.
const QHash<QChar, Entry> letters = [] {
    QHash<QChar, Entry> letters = {
        {'a', {"100,00", "23,00", "23,00", "123,00"}},
        {'b', {"200,00", "23,00", "46,00", "246,00"}},
        {'c', {"300,00", "23,00", "69,00", "369,00"}},
        {'d', {"100,00", "9,00", "9,00", "109,00"}},
        {'e', {"10,00", "6,50", "1,00", "11,00"}},
        {'f', {"10,00", "24,00", "1,00", "11,00"}},
        {'g', {"100,00", "13,00", "23,00", "123,00"}},
        {'h', {"100,00", "13,00", "23,00", "124,00"}},
        {'i', {"1,00", "5,00", "0,05", "1,05"}},
        {'j', {"2,00", "5,00", "0,10", "2,10"}},
        {'k', {"100,00", "17,00", "17,00", "117,00"}},
        {'l', {"100,00", "4,00", "4,00", "104,00"}},
        {'m', {"1,00", "7,00", "0,07", "1,07"}},
        {'n', {"10,00", "6.500", "0,65", "10,65"}},
        {'o', {"1,00", "17,00", "0,17", "1,17"}},
    };
    // And A to T, at 24 % and 7 % by turns.
    for (int i = 0; i < 20; ++i)
        letters.insert(QChar('A' + i), {QString::number(i + 1) + ",00", i % 2 ? "7,00" : "24,00",
                                        "0,00", QString::number(i + 1) + ",00"});
    return letters;
}();

inline QChar letterOf(const Entry &entry)
{
    for (auto it = letters.cbegin(); it != letters.cend(); ++it) {
        if (it.value() == entry)
            return it.key();
    }
    return '?';
}

// The groups that hold rows, as "0:abc 1:ab".
inline QString groupsOf(const SavedList &list)
{
    QStringList groups;
    for (int group = 0; group < list.groupCount(); ++group) {
        QString rows;
        for (const Entry &entry : list.entries(group))
            rows += letterOf(entry);
        if (!rows.isEmpty())
            groups << QString::number(group) + ':' + rows;
    }
    return groups.join(' ');
}

// The groups of a description as groupsOf() gives it.
inline QList<EntryGroup> groupsFrom(const QString &description)
{
    QList<EntryGroup> groups(groupNames.size());
    for (const QString &group : description.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = group.split(':');
        for (QChar letter : parts.at(1))
            groups[parts.at(0).toInt()] << letters.value(letter);
    }
    return groups;
}

inline QStringList rowTexts(const EntryGroup &entries)
{
    QStringList rows;
    for (const Entry &entry : entries)
        rows << QStringList{entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso}.join('|');
    return rows;
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
}

// Whether the running totals of every group are those of its rows as they
// are now, summed afresh.
inline bool totalsFollowRows(const SavedList &list)
{
    for (int group = 0; group < list.groupCount(); ++group) {
        GroupTotals fresh;
        for (const Entry &entry : list.entries(group))
            fresh.add(entry);
        if (list.totals(group).text() != fresh.text()) {
            qWarning("group %d: %s, afresh %s", group, qPrintable(list.totals(group).text()),
                     qPrintable(fresh.text()));
            return false;
        }
    }
    return true;
}

#pragma once

#include "core/entry.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QTimer>

class QTabWidget;
class QTableWidget;
class SavedList;

// The list window's eight tables, each showing one group of the saved list
// row for row: every cell centred, the final amount in bold, and when the
// entry was added as the row's tool tip. After an entry is added, or a
// deletion undone, its tab comes to the front with its rows.
//
// A large change, as when new rates file many rows anew, is filled into the
// tables a slice at a time while the program waits for the user, the tab
// shown first; a table whose row is to be chosen catches up at once.
class GroupTables : public QObject
{
    Q_OBJECT

public:
    // Table i, on tab i, shows group i.
    GroupTables(const SavedList *list, QTabWidget *tabs, const QList<QTableWidget *> &tables,
                QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showInsertedRows(int group, int first, int count);
    void putRows(int group, int first, int count);
    void showRemovedRows(int group, int first, const EntryGroup &removed);
    void showGroupAgain(int group);
    bool fallsBehind(int group, int first, int changedRows);
    void fillMore(int group, int rows);
    void catchUpSome();
    void catchUp(int group);
    void showFiledEntry(int group, int row, bool isNew);
    void showUndoneDeletion(int group, int row, int count);

    const SavedList *list;
    QTabWidget *tabs;
    QList<QTableWidget *> tables;
    // The tables being filled, and how many of their first rows they show.
    QMap<int, int> behind;
    QTimer catchUpTimer;
};

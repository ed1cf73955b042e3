#pragma once

#include "listprinter.h"
#include "tabexport.h"

#include <QList>
#include <QObject>

#include <functional>
#include <utility>
#include <vector>

class QAction;
class QKeyEvent;
class QMenu;
class QPoint;
class QTabWidget;
class QTableWidget;
class QWidget;
class ListFileKeeper;
class SavedList;
struct TabExportCommands;

// The commands of the list window's tables, by menu and by key: deleting,
// copying, undoing a deletion, handing the tab (or its entries of a period)
// on as a CSV file, a printout, a PDF file or an Excel workbook, and setting
// the business that heads them. They act on the table of the current tab, also
// while the tab bar has the focus.
class ListCommands : public QObject
{
    Q_OBJECT

public:
    // The two deletion commands are the window's own actions; the tables and
    // the tab bar of the window get their keys here.
    ListCommands(ListFileKeeper &keeper, QTabWidget *tabs, const QList<QTableWidget *> &tables,
                 QAction *removeSelected, QAction *removeAll, QWidget *window);

    // The menu of the current table, at a point on the screen; none while the
    // table has no row.
    void openMenuAt(const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The menu's actions, each with what it does when chosen.
    using Commands = std::vector<std::pair<QAction *, std::function<void()>>>;
    void addFileCommands(QMenu &menu, Commands &commands);
    bool handleKey(const QKeyEvent *key);
    bool switchTab(const QKeyEvent *key);
    void requestMenuAtCurrentRow();
    QPoint currentRowPosition() const;
    void removeSelectedRowByKey();
    void copyRows() const;
    // Writes or prints the tab shown, once the whole list is read.
    void handOn(TabExport::HandOn TabExportCommands::*command);
    // The tab shown, as it is handed on; the list must be loaded.
    ListPrinter::Content currentTab() const;
    QTableWidget *currentTable() const;

    ListFileKeeper &keeper;
    SavedList *model;
    QTabWidget *tabs;
    QList<QTableWidget *> tables;
    QAction *removeSelected;
    QAction *removeAll;
    QWidget *window;
    bool keyboardMenuPending = false;
};

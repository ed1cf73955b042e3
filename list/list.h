#pragma once

#include "entry.h"

#include <QDialog>
#include <QList>

class QAction;
class QKeyEvent;
class QTableWidget;

QT_BEGIN_NAMESPACE
namespace Ui {
class List;
}
QT_END_NAMESPACE

// The saved calculations, grouped by VAT rate in eight tabs: "Όλα" holds
// every entry, one tab each of the six fixed rates, and "Λοιπά" the others.
// The list is read from list.xml when the window is made and written back
// when the window (or the calculator) is closed.
class List : public QDialog
{
    Q_OBJECT

public:
    explicit List(QWidget *parent = nullptr);
    ~List() override;

    void addEntry(const QString &poso, const QString &fpa, const QString &extraPoso,
                  const QString &finalPoso);
    void saveList();

    // Where the window stood in an earlier run (from saveGeometry), taken up
    // the first time it is shown; without one it goes beside the calculator.
    void setKeptPlace(const QByteArray &geometry);
    // Whether the window has been shown in this run, so its place is worth
    // keeping.
    bool hasBeenShown() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void ShowContextMenu(const QPoint &pos);
    void removeSelectedItem();
    void removeItems();

private:
    void prepareDataLocation();
    void setUpTable(QTableWidget *table);
    void loadList();
    void fillTable(QTableWidget *table, const EntryGroup &entries);
    void appendRow(QTableWidget *table, const Entry &entry, int tabIndex);
    bool containsInAll(const Entry &entry) const;
    QTableWidget *currentTable() const;

    // Working the tables from the keyboard.
    struct Deletion {
        int tab;
        int row;
        EntryGroup entries;
    };
    void prepareTablesForKeysAndScreenReaders();
    bool handleKey(const QKeyEvent *key);
    void requestMenuAtCurrentRow();
    QPoint currentRowPosition() const;
    void openMenuAt(const QPoint &globalPos);
    void removeSelectedRowByKey();
    void copyRows() const;
    void rememberDeletion(int tab, int row, int count);
    void undoDeletion();
    void insertEntries(QTableWidget *table, int row, const EntryGroup &entries);
    void placeBesideParent();

    static int tabForRate(const QString &fpa);
    static int findRow(const QTableWidget *table, const Entry &entry);
    static QString listFilePath();

    Ui::List *ui;
    QAction *removeSelectedAction;
    QAction *removeAllAction;
    QList<QTableWidget *> tables;
    // Set when list.xml could not be read and no copy of it could be kept:
    // it is then never overwritten, so that nothing more of it is lost.
    bool keepUnreadableFile = false;
    // What was deleted in this run, the latest last, for Ctrl+Z.
    QList<Deletion> deletions;
    QByteArray keptPlace;
    bool shownBefore = false;
    bool keyboardMenuPending = false;
};

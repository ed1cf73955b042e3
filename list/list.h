#pragma once

#include "entry.h"
#include "listsaver.h"

#include <QDialog>
#include <QList>

class ListLoader;
class QAction;
class QKeyEvent;
class QTableWidget;
class QTimer;

QT_BEGIN_NAMESPACE
namespace Ui {
class List;
}
QT_END_NAMESPACE

// The saved calculations, grouped by VAT rate in eight tabs: "Όλα" holds
// every entry, one tab each of the six fixed rates, and "Λοιπά" the others.
// The list is read from list.xml when the window is made, a part at a time so
// that the program stays responsive, and written back within a second or two
// of every change, when the window or the calculator is closed, and when the
// session ends.
class List : public QDialog
{
    Q_OBJECT

public:
    explicit List(QWidget *parent = nullptr);
    ~List() override;

    void addEntry(const QString &poso, const QString &fpa, const QString &extraPoso,
                  const QString &finalPoso);
    // Writes the list at once, telling nobody when that fails.
    void saveList();
    // Writes the list as the program closes; when that fails, asks the user
    // whether to try again or to close without saving, until one is chosen.
    void saveBeforeClosing();
    // Writes the list as the session or the process ends; a failure is told
    // once, when mayAsk.
    void saveAtSessionEnd(bool mayAsk = true);

    // Whether the whole saved list is in the tables.
    bool isLoaded() const;

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
    QStringList tabNames() const;
    void loadList();
    void fillSomeRows();
    void finishLoading();
    void endLoading();
    void appendEntries(QTableWidget *table, const EntryGroup &entries);
    // Whatever changes the rows calls finishLoading() first and listChanged()
    // after: the list is then saved soon after.
    void listChanged();
    void autosave();
    void autosaveFinished(bool saved, const QString &reason);
    bool saveNow(QString *reason);
    ListSaver::Content currentContent();
    void tellFailureOnce(const QString &reason);
    bool askToRetry(const QString &reason);
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
    // What was deleted in this run, the latest last, for Ctrl+Z.
    QList<Deletion> deletions;
    QByteArray keptPlace;
    bool shownBefore = false;
    bool keyboardMenuPending = false;
    ListLoader *loader = nullptr; // while the file is being read
    ListSaver *saver;
    QTimer *autosaveTimer;
    // Changes made, and how many of them the file holds.
    int changes = 0;
    int savedChanges = 0;
    int changesBeingSaved = 0;
    bool saveAgain = false;     // changed while a save was running
    bool failureTold = false;   // since the last save that worked
    bool closedUnsaved = false; // the user chose to close without saving
};

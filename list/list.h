#pragma once

#include "entry.h"
#include "listsaver.h"

#include <QDialog>
#include <QList>

class ListLoader;
class QAction;
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

protected:
    void closeEvent(QCloseEvent *event) override;

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
    void fillTable(QTableWidget *table, const EntryGroup &entries);
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

    static int tabForRate(const QString &fpa);
    static int findRow(const QTableWidget *table, const Entry &entry);
    static QString listFilePath();

    Ui::List *ui;
    QAction *removeSelectedAction;
    QAction *removeAllAction;
    QList<QTableWidget *> tables;
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

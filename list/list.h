#pragma once

#include "core/entry.h"
#include "core/rateset.h"

#include <QDialog>
#include <QList>
#include <QString>

class QAction;
class ListCommands;
class ListFileKeeper;
class QTableWidget;
class SavedList;
struct WriteFailure;

QT_BEGIN_NAMESPACE
namespace Ui {
class List;
}
QT_END_NAMESPACE

// The saved calculations, grouped by VAT rate in eight tabs: "Όλα" holds
// every entry, one tab each of the six preset rates, and "Λοιπά" the others;
// the tabs are titled after the groups of the list.
// The entries and their rules live in a SavedList, which the keeper of its
// file starts reading when the window is made; each tab's table shows one of
// its groups, and the window turns the user's commands into calls on it,
// which wait while the list is read.
class List : public QDialog
{
    Q_OBJECT

public:
    explicit List(ListFileKeeper &keeper, QWidget *parent = nullptr);
    ~List() override;

    void addEntry(const QString &poso, const QString &fpa, const QString &extraPoso,
                  const QString &finalPoso);
    // Writes the list at once, telling nobody when that fails.
    void saveList();

    // Whether the whole saved list is in the tables.
    bool isLoaded() const;
    SavedList *savedList() const { return model; }
    // Files the rows again under those preset rates, showing how far it is
    // when that takes long; ratesFollowed() tells once the tabs follow them.
    // Given up, the list stays under the rates it had.
    void followRates(const RateSet &rates);

    // Where the window stood in an earlier run (from saveGeometry), taken up
    // the first time it is shown; without one it goes beside the calculator.
    void setKeptPlace(const QByteArray &geometry);
    // Whether the window has been shown in this run, so its place is worth
    // keeping.
    bool hasBeenShown() const;

signals:
    void ratesFollowed(const RateSet &rates);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void ShowContextMenu(const QPoint &pos);
    void removeSelectedItem();
    void removeItems();

private:
    void standApartFromTheCalculator();
    void setUpTable(QTableWidget *table);
    void fitColumnsWhenTheyChange(QTableWidget *table);
    void titleTabs();
    void showRefiled(bool followed);
    void loadList();
    void tellFailure(const WriteFailure &failure);
    QTableWidget *currentTable() const;

    void markTheFocusedTab();
    void showTotals();
    void placeBesideParent();
    void showChosenTabAfterNewRates(const QString &titleBefore);

    Ui::List *ui;
    QAction *removeSelectedAction;
    QAction *removeAllAction;
    QList<QTableWidget *> tables;
    ListFileKeeper &keeper;
    SavedList *model;
    ListCommands *commands;
    QByteArray keptPlace;
    bool shownBefore = false;
    // The rate of the entry added last, whose tab the user chose by adding.
    QString lastAddedRate;
};

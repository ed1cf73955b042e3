#include "listcommands.h"

#include "businessdialog.h"
#include "core/business.h"
#include "core/listfilekeeper.h"
#include "core/savedlist.h"
#include "exportmodule.h"
#include "periodchoice.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

namespace {

// Beside Ctrl+S of the CSV file, and nowhere else in the program.
QKeySequence pdfKey()
{
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
}

// The commands of the menu are named with their keys, so that the keys are
// learnt.
QAction *addCommand(QMenu &menu, const QString &text, const QKeySequence &key = {})
{
    QAction *action = menu.addAction(text);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcutVisibleInContextMenu(true);
    return action;
}

} // namespace

ListCommands::ListCommands(ListFileKeeper &keeper, QTabWidget *tabs,
                           const QList<QTableWidget *> &tables, QAction *removeSelected,
                           QAction *removeAll, QWidget *window)
    : QObject(window)
    , keeper(keeper)
    , model(&keeper.list())
    , tabs(tabs)
    , tables(tables)
    , removeSelected(removeSelected)
    , removeAll(removeAll)
    , window(window)
{
    for (QTableWidget *table : tables)
        table->installEventFilter(this);
    tabs->tabBar()->installEventFilter(this);
}

QTableWidget *ListCommands::currentTable() const
{
    return tables.at(tabs->currentIndex());
}

void ListCommands::openMenuAt(const QPoint &globalPos)
{
    const QTableWidget *table = currentTable();
    if (table->rowCount() == 0)
        return;

    QMenu menu;
    if (!table->selectedItems().isEmpty())
        menu.addAction(removeSelected);
    menu.addAction(removeAll);
    menu.addSeparator();
    Commands commands;
    addFileCommands(menu, commands);
    commands.emplace_back(addCommand(menu, tr("Στοιχεία επιχείρησης…")),
                          [this] { BusinessDialog(window).exec(); });
    menu.addSeparator();
    commands.emplace_back(addCommand(menu, tr("Αντιγραφή"), QKeySequence::Copy),
                          [this] { copyRows(); });
    QAction *undo = addCommand(menu, tr("Αναίρεση"), QKeySequence::Undo);
    undo->setEnabled(model->canUndo());
    commands.emplace_back(undo, [this] { keeper.whenLoaded([list = model] { list->undo(); }); });

    QAction *chosen = menu.exec(globalPos);
    for (const auto &[action, command] : commands) {
        if (action == chosen)
            command();
    }
}

// Those that hand the tab on, once the whole list is read.
void ListCommands::addFileCommands(QMenu &menu, Commands &commands)
{
    const auto add = [&](const QString &text, TabExport::HandOn TabExportCommands::*how, const QKeySequence &key) {
        QAction *action = addCommand(menu, text, key);
        action->setEnabled(keeper.isLoaded());
        commands.emplace_back(action, [this, how] { handOn(how); });
    };
    add(tr("Εξαγωγή σε CSV…"), &TabExportCommands::toCsv, QKeySequence::Save);
    add(tr("Εκτύπωση…"), &TabExportCommands::print, QKeySequence::Print);
    add(tr("Εξαγωγή σε PDF…"), &TabExportCommands::toPdf, pdfKey());
#ifdef METRINO_XLSX
    add(tr("Εξαγωγή σε Excel (.xlsx)…"), &TabExportCommands::toXlsx, QKeySequence());
#endif
}

bool ListCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent *>(event)))
        return true;
    // The Menu key (and on some systems Shift+F10) arrives as a context menu
    // event from the keyboard: the menu then opens at the current row, not
    // wherever the mouse happens to be.
    if (event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        requestMenuAtCurrentRow();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool ListCommands::handleKey(const QKeyEvent *key)
{
    if (switchTab(key))
        return true;
    if (key->matches(QKeySequence::Copy))
        copyRows();
    else if (key->matches(QKeySequence::Undo))
        keeper.whenLoaded([list = model] { list->undo(); });
    else if (key->matches(QKeySequence::Save))
        handOn(&TabExportCommands::toCsv);
    else if (key->matches(QKeySequence::Print))
        handOn(&TabExportCommands::print);
    else if (QKeySequence(key->keyCombination()) == pdfKey())
        handOn(&TabExportCommands::toPdf);
    else if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier)
        removeSelectedRowByKey();
    else if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)
        requestMenuAtCurrentRow();
    else
        return false;
    return true;
}

// Ctrl+Tab and Ctrl+PgDn go to the next tab, Ctrl+Shift+Tab and Ctrl+PgUp to
// the one before, wherever the focus is in the window; the table keeps the
// focus if it had it.
bool ListCommands::switchTab(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    int step = 0;
    if (modifiers == Qt::ControlModifier
        && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_PageDown))
        step = 1;
    else if ((modifiers == (Qt::ControlModifier | Qt::ShiftModifier)
              && key->key() == Qt::Key_Backtab)
             || (modifiers == Qt::ControlModifier && key->key() == Qt::Key_PageUp))
        step = -1;
    if (step == 0)
        return false;
    const bool tableHadFocus = currentTable()->hasFocus();
    const int count = tabs->count();
    tabs->setCurrentIndex((tabs->currentIndex() + step + count) % count);
    if (tableHadFocus)
        currentTable()->setFocus(Qt::TabFocusReason);
    return true;
}

// A system may report one key press both as a key and as a context menu
// event; the requests made before the menu opens give one menu.
void ListCommands::requestMenuAtCurrentRow()
{
    if (keyboardMenuPending)
        return;
    keyboardMenuPending = true;
    QTimer::singleShot(0, this, [this] {
        openMenuAt(currentRowPosition());
        keyboardMenuPending = false;
    });
}

// The middle of the current row's first cell, or the table's top left corner
// when no row is current; on the screen.
QPoint ListCommands::currentRowPosition() const
{
    QTableWidget *table = currentTable();
    QPoint at(0, 0);
    if (QTableWidgetItem *item = table->item(table->currentRow(), 0)) {
        table->scrollToItem(item);
        at = table->visualItemRect(item).center();
    }
    return table->viewport()->mapToGlobal(at);
}

// Delete removes the selected row as the menu's first command does; the row
// that takes its place is selected, so that Delete can be pressed again.
void ListCommands::removeSelectedRowByKey()
{
    QTableWidget *table = currentTable();
    if (table->selectedItems().isEmpty())
        return;
    removeSelected->trigger();
    if (table->currentRow() >= 0)
        table->selectRow(table->currentRow());
}

// The selected rows, or the whole tab when none is selected, as lines of four
// tab-separated cells that a spreadsheet takes as rows and columns.
void ListCommands::copyRows() const
{
    const int group = tabs->currentIndex();
    QList<int> rows;
    for (const QModelIndex &index : currentTable()->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        for (int row = 0; row < model->entries(group).size(); ++row)
            rows << row;
    }
    if (!rows.isEmpty())
        QGuiApplication::clipboard()->setText(model->textOf(group, rows));
}

ListPrinter::Content ListCommands::currentTab() const
{
    const int group = tabs->currentIndex();
    const QTableWidget *table = currentTable();
    QStringList headers;
    for (int column = 0; column < table->columnCount(); ++column)
        headers << table->horizontalHeaderItem(column)->text();
    headers << tr("Ημερομηνία");
    ListPrinter::Content tab{tabs->tabText(group), headers, model->entries(group),
                             model->totals(group).parts()};
    tab.business = Business::fromSettings().lines();
    return tab;
}

// The file commands hand on the tab, or the part of it that the user picks:
// not before it is all read.
void ListCommands::handOn(TabExport::HandOn TabExportCommands::*command)
{
    if (!keeper.isLoaded())
        return;
    const TabExportCommands *commands = ExportModule::load(window);
    if (!commands)
        return;
    TabExport::HandOn how = commands->*command;
    if (command == &TabExportCommands::print)
        how = commands->printOrOfferPdf(window);
    if (!how)
        return;
    ListPrinter::Content tab = currentTab();
    if (PeriodChoice::narrow(window, tab))
        how(window, tab);
}

#include "list.h"
#include "ui_list.h"

#include "grouptables.h"
#include "savedlist.h"
#include "savefailurebox.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTabBar>
#include <QTimer>

#include <algorithm>

namespace {

enum Column { PosoColumn, FpaColumn, ExtraPosoColumn, FinalPosoColumn, ColumnCount };

const char hoverStyle[] =
    "::item:hover { color:rgb(255,255,255); background-color:rgb(222,144,0); }";

} // namespace

List::List(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::List)
{
    ui->setupUi(this);
    prepareDataLocation();

    // Tab i holds table i.
    for (int tab = 0; tab < ui->tabWidget->count(); ++tab) {
        auto *table = ui->tabWidget->widget(tab)->findChild<QTableWidget *>();
        setUpTable(table);
        tables << table;
    }
    prepareTablesForKeysAndScreenReaders();

    removeSelectedAction = new QAction(QStringLiteral("Διαγραφή επιλεγμένων τιμών"), this);
    connect(removeSelectedAction, &QAction::triggered, this, &List::removeSelectedItem);
    removeAllAction = new QAction(QStringLiteral("Διαγραφή όλων των τιμών της καρτέλας"), this);
    connect(removeAllAction, &QAction::triggered, this, &List::removeItems);

    model = new SavedList(listFilePath(), tabNames(), this);
    new GroupTables(model, ui->tabWidget, tables, model);
    connect(model, &SavedList::saveFailed, this, &List::tellFailure);
    connect(model, &SavedList::full, this,
            [this] { SaveFailureBox::tellFull(isVisible() ? this : parentWidget()); });

    // The desktop's log-out asks before the changes are given up.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &session) {
            saveAtSessionEnd(session.allowsInteraction());
        });
    }

    loadList();
}

List::~List()
{
    delete model; // before the tables that show it
    delete ui;
}

// Closing the list window only hides it: the rows stay, so the list is
// written in the background and a failure is told as for any change.
void List::closeEvent(QCloseEvent *event)
{
    model->saveSoon();
    event->accept();
}

// The list file lives in the per-user data folder; make sure it exists before
// the file is read.
void List::prepareDataLocation()
{
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void List::setUpTable(QTableWidget *table)
{
    table->resizeColumnsToContents();
    connect(table, &QWidget::customContextMenuRequested, this, &List::ShowContextMenu);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setStyleSheet(QLatin1String(hoverStyle));
}

QString List::listFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
           + QLatin1String("/list.xml");
}

QStringList List::tabNames() const
{
    QStringList names;
    for (int i = 0; i < ui->tabWidget->count(); ++i)
        names << ui->tabWidget->tabText(i);
    return names;
}

QTableWidget *List::currentTable() const
{
    return tables.at(ui->tabWidget->currentIndex());
}

void List::addEntry(const QString &poso, const QString &fpa, const QString &extraPoso,
                    const QString &finalPoso)
{
    model->addEntry({poso, fpa, extraPoso, finalPoso});
}

// A right click opens the menu where the mouse is.
void List::ShowContextMenu(const QPoint &)
{
    openMenuAt(QCursor::pos());
}

void List::openMenuAt(const QPoint &globalPos)
{
    const QTableWidget *table = currentTable();
    if (table->rowCount() == 0)
        return;

    QMenu menu;
    if (!table->selectedItems().isEmpty())
        menu.addAction(removeSelectedAction);
    menu.addAction(removeAllAction);
    menu.exec(globalPos);
}

void List::removeSelectedItem()
{
    const int row = currentTable()->currentRow();
    if (row >= 0)
        model->removeRow(ui->tabWidget->currentIndex(), row);
}

void List::removeItems()
{
    model->removeAll(ui->tabWidget->currentIndex());
}

// The tables are worked from the keyboard as well as with the mouse; the keys
// act on the table of the current tab, also while the tab bar has the focus.
void List::prepareTablesForKeysAndScreenReaders()
{
    for (int tab = 0; tab < tables.size(); ++tab) {
        tables.at(tab)->setAccessibleName(ui->tabWidget->tabText(tab));
        tables.at(tab)->installEventFilter(this);
    }
    ui->tabWidget->tabBar()->installEventFilter(this);
}

bool List::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (handleKey(static_cast<QKeyEvent *>(event)))
            return true;
        break;
    case QEvent::ContextMenu:
        // The Menu key (and on some systems Shift+F10) arrives as a context
        // menu event from the keyboard: the menu then opens at the current
        // row, not wherever the mouse happens to be.
        if (static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
            requestMenuAtCurrentRow();
            return true;
        }
        break;
    default: break;
    }
    return QDialog::eventFilter(watched, event);
}

bool List::handleKey(const QKeyEvent *key)
{
    if (key->matches(QKeySequence::Copy))
        copyRows();
    else if (key->matches(QKeySequence::Undo))
        undoDeletion();
    else if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier)
        removeSelectedRowByKey();
    else if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)
        requestMenuAtCurrentRow();
    else
        return false;
    return true;
}

// A system may report one key press both as a key and as a context menu
// event; the requests made before the menu opens give one menu.
void List::requestMenuAtCurrentRow()
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
QPoint List::currentRowPosition() const
{
    QTableWidget *table = currentTable();
    QPoint at(0, 0);
    if (QTableWidgetItem *item = table->item(table->currentRow(), PosoColumn)) {
        table->scrollToItem(item);
        at = table->visualItemRect(item).center();
    }
    return table->viewport()->mapToGlobal(at);
}

// Delete removes the selected row as the menu's first command does; the row
// that takes its place is selected, so that Delete can be pressed again.
void List::removeSelectedRowByKey()
{
    QTableWidget *table = currentTable();
    if (table->selectedItems().isEmpty())
        return;
    removeSelectedItem();
    if (table->currentRow() >= 0)
        table->selectRow(table->currentRow());
}

// The selected rows, or the whole tab when none is selected, as lines of four
// tab-separated cells that a spreadsheet takes as rows and columns.
void List::copyRows() const
{
    const QTableWidget *table = currentTable();
    const int group = ui->tabWidget->currentIndex();
    QList<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        for (int row = 0; row < model->entries(group).size(); ++row)
            rows << row;
    }
    if (rows.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(model->textOf(group, rows));
}

void List::undoDeletion()
{
    model->undo();
}

void List::setKeptPlace(const QByteArray &geometry)
{
    keptPlace = geometry;
}

bool List::hasBeenShown() const
{
    return shownBefore;
}

// The first time it is shown the window takes up the place it had in the
// last run, or else goes beside the calculator instead of covering it.
void List::showEvent(QShowEvent *event)
{
    if (!shownBefore) {
        shownBefore = true;
        if (keptPlace.isEmpty() || !restoreGeometry(keptPlace))
            placeBesideParent();
    }
    QDialog::showEvent(event);
}

// To the right of the calculator, else to its left, else below it, on the
// calculator's screen.
void List::placeBesideParent()
{
    const QWidget *calculator = parentWidget();
    if (!calculator)
        return;
    const int gap = 6;
    const QRect anchor = calculator->frameGeometry();
    // This window has no frame yet; it will get one like the calculator's.
    const QSize frame = anchor.size() - calculator->size();
    const QSize outer = size() + frame;
    const QRect screen = calculator->screen()->availableGeometry();

    QPoint at(anchor.right() + 1 + gap, anchor.top());
    if (at.x() + outer.width() - 1 > screen.right()) {
        at.setX(anchor.left() - gap - outer.width());
        if (at.x() < screen.left())
            at = QPoint(anchor.left(), anchor.bottom() + 1 + gap);
    }
    // Kept on the screen, its top left corner first.
    at.setX(qMax(screen.left(), qMin(at.x(), screen.right() + 1 - outer.width())));
    at.setY(qMax(screen.top(), qMin(at.y(), screen.bottom() + 1 - outer.height())));
    move(at);
}

void List::loadList()
{
    model->load();
}

bool List::isLoaded() const
{
    return model->isLoaded();
}

void List::saveList()
{
    model->save();
}

void List::saveBeforeClosing()
{
    SaveFailureBox::saveBeforeClosing(*model, parentWidget() ? parentWidget() : this);
}

void List::saveAtSessionEnd(bool mayAsk)
{
    SaveFailureBox::saveAtSessionEnd(*model, isVisible() ? this : parentWidget(), mayAsk);
}

void List::tellFailure(const QString &reason)
{
    SaveFailureBox::tell(isVisible() ? this : parentWidget(), model->path(), reason);
}

#include "list.h"
#include "ui_list.h"

#include "listfile.h"
#include "ratetabs.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTabBar>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>

namespace {

enum Column { PosoColumn, FpaColumn, ExtraPosoColumn, FinalPosoColumn, ColumnCount };

const char hoverStyle[] =
    "::item:hover { color:rgb(255,255,255); background-color:rgb(222,144,0); }";

QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

Entry entryAt(const QTableWidget *table, int row)
{
    return {cellText(table, row, PosoColumn), cellText(table, row, FpaColumn),
            cellText(table, row, ExtraPosoColumn), cellText(table, row, FinalPosoColumn)};
}

// Makes the items of entry rows: every cell centred, the final amount in bold.
// Items are cloned from a prepared set, which is markedly faster than setting
// each one up when a long list is loaded.
class RowItems
{
public:
    RowItems()
    {
        QFont bold;
        bold.setBold(true);
        for (QTableWidgetItem &prototype : prototypes)
            prototype.setTextAlignment(Qt::AlignCenter);
        prototypes[FinalPosoColumn].setFont(bold);
    }

    // Puts the entry into a row that the table already has.
    void put(QTableWidget *table, int row, const Entry &entry) const
    {
        const QString *texts[ColumnCount] = {&entry.poso, &entry.fpa, &entry.extraPoso,
                                             &entry.finalPoso};
        for (int column = 0; column < ColumnCount; ++column) {
            QTableWidgetItem *item = prototypes[column].clone();
            item->setText(*texts[column]);
            table->setItem(row, column, item);
        }
    }

private:
    QTableWidgetItem prototypes[ColumnCount];
};

// Rows handed over from the thread that reads the file to the one that fills
// the tables, with the index of their group.
class GroupQueue
{
public:
    void push(int index, EntryGroup &&entries)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            groups.emplace_back(index, std::move(entries));
        }
        changed.notify_one();
    }

    // Waits for the next group; false once the queue is closed and empty.
    bool pop(int &index, EntryGroup &entries)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return closed || !groups.empty(); });
        if (groups.empty())
            return false;
        index = groups.front().first;
        entries = std::move(groups.front().second);
        groups.pop_front();
        return true;
    }

    // Closes the queue when the reader is done, however it ends.
    struct Closer {
        explicit Closer(GroupQueue &queue)
            : queue(queue)
        {
        }
        ~Closer()
        {
            {
                const std::lock_guard<std::mutex> lock(queue.mutex);
                queue.closed = true;
            }
            queue.changed.notify_one();
        }
        GroupQueue &queue;
    };

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<int, EntryGroup>> groups;
    bool closed = false;
};

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

    loadList();
}

List::~List()
{
    delete ui;
}

void List::closeEvent(QCloseEvent *event)
{
    saveList();
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

QTableWidget *List::currentTable() const
{
    return tables.at(ui->tabWidget->currentIndex());
}

int List::tabForRate(const QString &fpa)
{
    return RateTabs::forRate(fpa);
}

int List::findRow(const QTableWidget *table, const Entry &entry)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (entryAt(table, row) == entry)
            return row;
    }
    return -1;
}

bool List::containsInAll(const Entry &entry) const
{
    return findRow(ui->tableWidget, entry) >= 0;
}

void List::addEntry(const QString &poso, const QString &fpa, const QString &extraPoso,
                    const QString &finalPoso)
{
    const Entry entry{poso, fpa, extraPoso, finalPoso};
    const int tab = tabForRate(fpa);
    QTableWidget *rateTable = tables.at(tab);

    const int existingRow = findRow(rateTable, entry);
    if (existingRow >= 0) {
        ui->tabWidget->setCurrentIndex(tab);
        rateTable->selectRow(existingRow);
    } else {
        appendRow(rateTable, entry, tab);
    }

    if (!containsInAll(entry))
        appendRow(ui->tableWidget, entry, RateTabs::all);
}

void List::appendRow(QTableWidget *table, const Entry &entry, int tabIndex)
{
    const int row = table->rowCount();
    table->insertRow(row);
    RowItems().put(table, row, entry);
    if (tabIndex != RateTabs::all) {
        ui->tabWidget->setCurrentIndex(tabIndex);
        table->setCurrentItem(table->item(row, PosoColumn));
    }
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
    QTableWidget *table = currentTable();
    const int row = table->currentRow();
    if (row >= 0 && table->rowCount() > 0) {
        rememberDeletion(ui->tabWidget->currentIndex(), row, 1);
        table->removeRow(row);
    }
}

void List::removeItems()
{
    QTableWidget *table = currentTable();
    rememberDeletion(ui->tabWidget->currentIndex(), 0, table->rowCount());
    table->setRowCount(0);
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
    QList<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        for (int row = 0; row < table->rowCount(); ++row)
            rows << row;
    }
    if (rows.isEmpty())
        return;

    QString text;
    for (int row : rows) {
        QStringList cells;
        for (int column = 0; column < ColumnCount; ++column) {
            // A tab or line break inside a cell would split it up.
            QString cell = cellText(table, row, column);
            for (QChar &c : cell) {
                if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                    c = QLatin1Char(' ');
            }
            cells << cell;
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    QGuiApplication::clipboard()->setText(text);
}

void List::rememberDeletion(int tab, int row, int count)
{
    if (count <= 0)
        return;
    const QTableWidget *table = tables.at(tab);
    Deletion deletion{tab, row, {}};
    deletion.entries.reserve(count);
    for (int i = row; i < row + count; ++i)
        deletion.entries << entryAt(table, i);
    deletions << deletion;
}

// Puts the rows of the latest deletion back where they were, in their tab;
// rows that the tab has got again since are not doubled.
void List::undoDeletion()
{
    if (deletions.isEmpty())
        return;
    const Deletion last = deletions.takeLast();
    QTableWidget *table = tables.at(last.tab);

    auto key = [](const Entry &entry) {
        return QStringList{entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso}.join(QChar());
    };
    QSet<QString> present;
    for (int row = 0; row < table->rowCount(); ++row)
        present.insert(key(entryAt(table, row)));
    EntryGroup restored;
    for (const Entry &entry : last.entries) {
        if (!present.contains(key(entry)))
            restored << entry;
    }

    ui->tabWidget->setCurrentIndex(last.tab);
    if (restored.isEmpty())
        return;
    const int row = qMin(last.row, table->rowCount());
    insertEntries(table, row, restored);
    if (restored.size() == 1) {
        table->selectRow(row);
    } else {
        table->clearSelection();
        table->setCurrentItem(nullptr);
        table->scrollToItem(table->item(row, PosoColumn));
    }
}

void List::insertEntries(QTableWidget *table, int row, const EntryGroup &entries)
{
    table->model()->insertRows(row, int(entries.size()));
    const RowItems items;
    {
        const QSignalBlocker quiet(table->model());
        for (int i = 0; i < entries.size(); ++i)
            items.put(table, row + i, entries.at(i));
    }
    table->viewport()->update();
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

// The file is parsed on a second thread while this one puts the rows into
// their tables as they arrive: with a long list, filling the tables then
// costs hardly more than reading the file.
void List::loadList()
{
    const QString path = listFilePath();
    GroupQueue ready;
    auto reading = std::async(std::launch::async, [&ready, &path, count = int(tables.size())] {
        const GroupQueue::Closer closer(ready);
        return ListFile::read(path, count, [&ready](int group, EntryGroup &&rows) {
            ready.push(group, std::move(rows));
        });
    });

    int index = 0;
    EntryGroup entries;
    while (ready.pop(index, entries))
        fillTable(tables.at(index), entries);

    if (reading.get() == ListFile::ReadStatus::Unreadable)
        keepUnreadableFile = ListFile::keepCopy(path).isEmpty();
}

void List::fillTable(QTableWidget *table, const EntryGroup &entries)
{
    const int firstRow = table->rowCount();
    table->setRowCount(firstRow + entries.size());
    const RowItems items;
    // Nothing watches single cells of a table that is being filled; one
    // repaint at the end replaces a notification per cell.
    {
        const QSignalBlocker quiet(table->model());
        for (int i = 0; i < entries.size(); ++i)
            items.put(table, firstRow + i, entries.at(i));
    }
    table->viewport()->update();
}

void List::saveList()
{
    if (keepUnreadableFile)
        return;

    QStringList names;
    QList<EntryGroup> groups;
    for (int i = 0; i < tables.size(); ++i) {
        names << ui->tabWidget->tabText(i);
        const QTableWidget *table = tables.at(i);
        EntryGroup entries;
        entries.reserve(table->rowCount());
        for (int row = 0; row < table->rowCount(); ++row)
            entries << entryAt(table, row);
        groups << entries;
    }
    ListFile::write(listFilePath(), ListFile::serialize(names, groups));
}

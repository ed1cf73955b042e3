#include "list.h"
#include "ui_list.h"

#include "listfile.h"
#include "ratetabs.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QStandardPaths>

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

void List::ShowContextMenu(const QPoint &)
{
    const QTableWidget *table = currentTable();
    if (table->rowCount() == 0)
        return;

    QMenu menu;
    if (!table->selectedItems().isEmpty())
        menu.addAction(removeSelectedAction);
    menu.addAction(removeAllAction);
    menu.exec(QCursor::pos());
}

void List::removeSelectedItem()
{
    QTableWidget *table = currentTable();
    const int row = table->currentRow();
    if (row >= 0 && table->rowCount() > 0)
        table->removeRow(row);
}

void List::removeItems()
{
    currentTable()->setRowCount(0);
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

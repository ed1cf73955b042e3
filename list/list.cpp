#include "list.h"
#include "ui_list.h"

#include "listloader.h"
#include "ratetabs.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>

namespace {

enum Column { PosoColumn, FpaColumn, ExtraPosoColumn, FinalPosoColumn, ColumnCount };

const char hoverStyle[] =
    "::item:hover { color:rgb(255,255,255); background-color:rgb(222,144,0); }";

const QString boxTitle = QStringLiteral("Φ.Π.Α. μετρίνο: Λίστα");

// Changes are written this long after the first of them, so that a burst of
// them makes one write.
const int autosaveDelayMs = 1000;
// Rows are put into the tables for about this long at a time while the list
// is loading; then the window gets its turn to repaint and take input.
const int fillSliceMs = 20;

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

    saver = new ListSaver(listFilePath(), this);
    connect(saver, &ListSaver::savedInBackground, this, &List::autosaveFinished);
    autosaveTimer = new QTimer(this);
    autosaveTimer->setSingleShot(true);
    autosaveTimer->setInterval(autosaveDelayMs);
    connect(autosaveTimer, &QTimer::timeout, this, &List::autosave);

    // Quitting by any other way than closing the calculator still keeps the
    // changes; the desktop's log-out asks first.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
        if (changes != savedChanges && !closedUnsaved)
            saveNow(nullptr);
    });
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &session) {
            saveAtSessionEnd(session.allowsInteraction());
        });
    }

    loadList();
}

List::~List()
{
    delete loader; // waits for the reading thread
    delete ui;
}

// Closing the list window only hides it: the rows stay, so the list is
// written in the background and a failure is told as for any change.
void List::closeEvent(QCloseEvent *event)
{
    autosaveTimer->stop();
    autosave();
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
    finishLoading();
    const Entry entry{poso, fpa, extraPoso, finalPoso};
    const int tab = tabForRate(fpa);
    QTableWidget *rateTable = tables.at(tab);
    bool added = false;

    const int existingRow = findRow(rateTable, entry);
    if (existingRow >= 0) {
        ui->tabWidget->setCurrentIndex(tab);
        rateTable->selectRow(existingRow);
    } else {
        appendRow(rateTable, entry, tab);
        added = true;
    }

    if (!containsInAll(entry)) {
        appendRow(ui->tableWidget, entry, RateTabs::all);
        added = true;
    }
    if (added)
        listChanged();
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
    finishLoading();
    QTableWidget *table = currentTable();
    const int row = table->currentRow();
    if (row >= 0 && table->rowCount() > 0) {
        table->removeRow(row);
        listChanged();
    }
}

void List::removeItems()
{
    finishLoading();
    QTableWidget *table = currentTable();
    if (table->rowCount() > 0) {
        table->setRowCount(0);
        listChanged();
    }
}

// The file is read on a second thread, which hands the rows over in parts;
// this one puts them into the tables from the event loop, a slice of time at
// a time, so that a long list never freezes the window.
void List::loadList()
{
    loader = new ListLoader(this);
    connect(loader, &ListLoader::partsWaiting, this, &List::fillSomeRows, Qt::QueuedConnection);
    // A file read to its end is checked in the background, while its rows go
    // into the tables, against what writing them back would give.
    loader->start(listFilePath(), tables.size(),
                  [checker = saver, names = tabNames()](QList<EntryGroup> &&rowsRead) {
                      checker->keepCopyUnlessFileHolds({names, std::move(rowsRead)});
                  });
}

void List::fillSomeRows()
{
    QElapsedTimer slice;
    slice.start();
    while (loader) {
        int group = 0;
        EntryGroup rows;
        switch (loader->takePart(group, rows, false)) {
        case ListLoader::Take::Part: fillTable(tables.at(group), rows); break;
        case ListLoader::Take::NothingYet: return; // the reader calls again
        case ListLoader::Take::Finished: endLoading(); return;
        }
        if (slice.elapsed() >= fillSliceMs) {
            QTimer::singleShot(0, this, &List::fillSomeRows);
            return;
        }
    }
}

// Puts every row still to come into the tables before the list is changed
// or saved: a list saved half loaded would lose the rest.
void List::finishLoading()
{
    while (loader) {
        int group = 0;
        EntryGroup rows;
        if (loader->takePart(group, rows, true) == ListLoader::Take::Part)
            fillTable(tables.at(group), rows);
        else
            endLoading();
    }
}

void List::endLoading()
{
    const ListLoader::Outcome outcome = loader->outcome();
    // What the file held beyond the rows shown is kept in a copy beside it
    // before the file is first replaced.
    if (outcome == ListLoader::Outcome::Unreadable)
        saver->keepCopyFirst(QStringLiteral("unreadable"));
    delete loader;
    loader = nullptr;
}

bool List::isLoaded() const
{
    return !loader;
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

ListSaver::Content List::currentContent()
{
    finishLoading();
    ListSaver::Content content{tabNames(), {}};
    for (const QTableWidget *table : std::as_const(tables)) {
        EntryGroup entries;
        entries.reserve(table->rowCount());
        for (int row = 0; row < table->rowCount(); ++row)
            entries << entryAt(table, row);
        content.groups << entries;
    }
    return content;
}

void List::listChanged()
{
    ++changes;
    if (!autosaveTimer->isActive())
        autosaveTimer->start();
}

// The rows are taken here, on the GUI thread; turning them into the file's
// bytes and writing them happens in the background.
void List::autosave()
{
    if (saver->isSaving()) {
        saveAgain = true;
        return;
    }
    changesBeingSaved = changes;
    saver->saveInBackground(currentContent());
}

void List::autosaveFinished(bool saved, const QString &reason)
{
    if (saved) {
        savedChanges = changesBeingSaved;
        failureTold = false;
    } else {
        tellFailureOnce(reason);
    }
    if (saveAgain) {
        saveAgain = false;
        autosave();
    }
}

bool List::saveNow(QString *reason)
{
    autosaveTimer->stop();
    const ListSaver::Content content = currentContent();
    const int changesSaved = changes;
    if (!saver->save(content, reason))
        return false;
    savedChanges = changesSaved;
    saveAgain = false;
    failureTold = false;
    return true;
}

void List::saveList()
{
    saveNow(nullptr);
}

void List::saveBeforeClosing()
{
    QString reason;
    while (!saveNow(&reason)) {
        if (!askToRetry(reason)) {
            closedUnsaved = true;
            return;
        }
    }
}

void List::saveAtSessionEnd(bool mayAsk)
{
    QString reason;
    if (!saveNow(&reason) && mayAsk)
        tellFailureOnce(reason);
}

namespace {

QString failureText(const QString &path, const QString &reason)
{
    return QStringLiteral("Η λίστα δεν αποθηκεύτηκε στο αρχείο\n%1\n\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

// Tells of a failed save with a single button, once until a save works again:
// the program tries again at the next change and at close.
void List::tellFailureOnce(const QString &reason)
{
    if (failureTold)
        return;
    failureTold = true;
    QMessageBox box(QMessageBox::Critical, boxTitle, failureText(listFilePath(), reason),
                    QMessageBox::NoButton, isVisible() ? this : parentWidget());
    box.setDefaultButton(box.addButton(QStringLiteral("Εντάξει"), QMessageBox::AcceptRole));
    box.exec();
}

// True for "try again"; false for "close without saving", also when the box
// was closed without an answer because the program is being ended.
bool List::askToRetry(const QString &reason)
{
    QMessageBox box(QMessageBox::Critical, boxTitle, failureText(listFilePath(), reason),
                    QMessageBox::NoButton, parentWidget() ? parentWidget() : this);
    QPushButton *retry = box.addButton(QStringLiteral("Επανάληψη"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Κλείσιμο χωρίς αποθήκευση"), QMessageBox::DestructiveRole);
    box.setDefaultButton(retry);
    box.exec();
    return box.clickedButton() == retry;
}

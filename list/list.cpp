#include "list.h"
#include "ui_list.h"

#include "columnfit.h"
#include "listloader.h"
#include "listplacement.h"
#include "ratetabs.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSessionManager>
#include <QSet>
#include <QStandardPaths>
#include <QTabBar>
#include <QTimer>

#include <algorithm>

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
    prepareTablesForKeysAndScreenReaders();

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

// The four columns share the table's width, however large the font, so that
// the final amount always shows; only a window narrower than the four headers
// scrolls sideways. Tab leaves the table rather than walking its cells.
void List::setUpTable(QTableWidget *table)
{
    table->viewport()->installEventFilter(this);
    // Once the new rows' cells are in.
    connect(table->model(), &QAbstractItemModel::rowsInserted, table, [table] {
        QTimer::singleShot(0, table, [table] {
            if (table->isVisible())
                ColumnFit::fitToWidth(table);
        });
    });
    table->setTabKeyNavigation(false);
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
    // The keys' own commands, named with their keys so that they are learnt.
    menu.addSeparator();
    const auto addKeyCommand = [&menu](const QString &text, QKeySequence::StandardKey key) {
        QAction *action = menu.addAction(text);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
        return action;
    };
    QAction *copy = addKeyCommand(QStringLiteral("Αντιγραφή"), QKeySequence::Copy);
    QAction *undo = addKeyCommand(QStringLiteral("Αναίρεση"), QKeySequence::Undo);
    undo->setEnabled(!deletions.isEmpty());
    QAction *chosen = menu.exec(globalPos);
    if (chosen == copy)
        copyRows();
    else if (chosen == undo)
        undoDeletion();
}

void List::removeSelectedItem()
{
    finishLoading();
    QTableWidget *table = currentTable();
    const int row = table->currentRow();
    if (row >= 0 && table->rowCount() > 0) {
        rememberDeletion(ui->tabWidget->currentIndex(), row, 1);
        table->removeRow(row);
        listChanged();
    }
}

void List::removeItems()
{
    finishLoading();
    QTableWidget *table = currentTable();
    if (table->rowCount() > 0) {
        rememberDeletion(ui->tabWidget->currentIndex(), 0, table->rowCount());
        table->setRowCount(0);
        listChanged();
    }
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
    case QEvent::Paint:
        // The tab bar marks the focus on its current tab faintly in some
        // styles and not at all in others: the tab's title takes the
        // highlight colour while the tab bar has the focus.
        if (auto *tabBar = qobject_cast<QTabBar *>(watched)) {
            for (int tab = 0; tab < tabBar->count(); ++tab) {
                const bool marked = tab == tabBar->currentIndex() && tabBar->hasFocus();
                const QColor colour =
                    marked ? tabBar->palette().color(QPalette::Highlight) : QColor();
                if (tabBar->tabTextColor(tab) != colour)
                    tabBar->setTabTextColor(tab, colour);
            }
        }
        break;
    case QEvent::Resize:
        if (auto *table = qobject_cast<QTableWidget *>(watched->parent());
            table && watched == table->viewport())
            ColumnFit::fitToWidth(table);
        break;
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
    // Ctrl+Tab and Ctrl+PgDn go to the next tab, Ctrl+Shift+Tab and Ctrl+PgUp
    // to the one before, wherever the focus is in the window; the table keeps
    // the focus if it had it.
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    int tabStep = 0;
    if (modifiers == Qt::ControlModifier
        && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_PageDown))
        tabStep = 1;
    else if ((modifiers == (Qt::ControlModifier | Qt::ShiftModifier)
              && key->key() == Qt::Key_Backtab)
             || (modifiers == Qt::ControlModifier && key->key() == Qt::Key_PageUp))
        tabStep = -1;
    if (tabStep != 0) {
        const bool tableHadFocus = currentTable()->hasFocus();
        const int count = ui->tabWidget->count();
        ui->tabWidget->setCurrentIndex((ui->tabWidget->currentIndex() + tabStep + count) % count);
        if (tableHadFocus)
            currentTable()->setFocus(Qt::TabFocusReason);
        return true;
    }

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
    finishLoading();
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
    listChanged();
    if (restored.size() == 1) {
        table->selectRow(row);
    } else {
        table->clearSelection();
        table->setCurrentItem(nullptr);
        table->scrollToItem(table->item(row, PosoColumn));
    }
}

void List::appendEntries(QTableWidget *table, const EntryGroup &entries)
{
    insertEntries(table, table->rowCount(), entries);
}

void List::insertEntries(QTableWidget *table, int row, const EntryGroup &entries)
{
    table->model()->insertRows(row, int(entries.size()));
    const RowItems items;
    // Nothing watches single cells of a table that is being filled; one
    // repaint at the end replaces a notification per cell.
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

// Beside the calculator on its screen, where it does not cover it.
void List::placeBesideParent()
{
    // Wide enough for the four columns at the desktop's font, also once the
    // rows need a scroll bar and their numbers, and never narrower.
    const QTableWidget *table = currentTable();
    const int scrollBar = table->verticalScrollBar()->isVisible()
                              ? 0
                              : table->verticalScrollBar()->sizeHint().width();
    const int rowNumbers = table->verticalHeader()->width() > 0
                               ? 0
                               : table->fontMetrics().horizontalAdvance(QStringLiteral("00000"));
    const QSize smallest = QSize(width() - table->viewport()->width()
                                     + ColumnFit::neededWidth(table) + scrollBar + rowNumbers,
                                 0)
                               .expandedTo(minimumSizeHint());
    resize(size().expandedTo(smallest));

    const QWidget *calculator = parentWidget();
    if (!calculator)
        return;
    const QRect anchor = calculator->frameGeometry();
    // This window has no frame yet; it will get one like the calculator's.
    const QSize frame = anchor.size() - calculator->size();
    const QRect place = ListPlacement::besideCalculator(anchor, size() + frame, smallest + frame,
                                                        calculator->screen()->availableGeometry());
    resize(place.size() - frame);
    move(place.topLeft());
}

// The file is read on a second thread, which hands the rows over in parts;
// this one puts them into the tables from the event loop, a slice of time at
// a time, so that a long list never freezes the window.
void List::loadList()
{
    loader = new ListLoader(this);
    connect(loader, &ListLoader::partsWaiting, this, &List::fillSomeRows, Qt::QueuedConnection);
    // A file that holds anything the tables do not show (a damaged row, a
    // ninth group) is copied as "list.before-<n>.xml" before it is replaced.
    loader->start(listFilePath(), tabNames(), [keeper = saver](bool holdsWhatWasRead) {
        if (!holdsWhatWasRead)
            keeper->keepCopyFirst(QStringLiteral("before"));
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
        case ListLoader::Take::Part: appendEntries(tables.at(group), rows); break;
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
            appendEntries(tables.at(group), rows);
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
    } else if (changesBeingSaved != savedChanges) {
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
        // Nothing of this session is lost: the file holds what it held.
        if (changes == savedChanges)
            return;
        if (!askToRetry(reason)) {
            closedUnsaved = true;
            return;
        }
    }
}

void List::saveAtSessionEnd(bool mayAsk)
{
    QString reason;
    if (!saveNow(&reason) && mayAsk && changes != savedChanges)
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

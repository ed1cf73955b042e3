#include "list.h"
#include "ui_list.h"

#include "columnfit.h"
#include "core/entrydate.h"
#include "core/listfilekeeper.h"
#include "core/listplacement.h"
#include "core/rateset.h"
#include "core/ratetabs.h"
#include "core/savedlist.h"
#include "elidedheaders.h"
#include "grouptables.h"
#include "listcommands.h"
#include "longjob.h"
#include "savefailurebox.h"

#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>
#include <QWindow>

namespace {

const char hoverStyle[] =
    "::item:hover { color:rgb(255,255,255); background-color:rgb(222,144,0); }";

// Waits for the list to follow new rates, which it works out on a thread of
// its own; "Ακύρωση" leaves the list under the rates it had.
class RefilingJob : public LongJob
{
public:
    RefilingJob(QWidget *window, ListFileKeeper *keeper)
        : LongJob(window, List::tr("Φ.Π.Α. μετρίνο: Συντελεστές"),
                  List::tr("Οι εγγραφές μπαίνουν στις καρτέλες των νέων συντελεστών…"))
        , keeper(keeper)
        , list(&keeper->list())
    {
    }
    ~RefilingJob() override
    {
        if (!isOver())
            stop();
    }

protected:
    Step step(QString *) override
    {
        return keeper && (!keeper->isLoaded() || list->isRefiling()) ? Step::Waiting : Step::Done;
    }
    int done() const override { return list ? list->refilingStepsDone() : 0; }
    int total() const override { return list ? list->refilingSteps() : 0; }
    void stop() override
    {
        if (list)
            list->cancelRefiling();
    }

private:
    QPointer<ListFileKeeper> keeper;
    QPointer<SavedList> list;
};

} // namespace

List::List(ListFileKeeper &keeper, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::List)
    , keeper(keeper)
    , model(&keeper.list())
{
    ui->setupUi(this);
    standApartFromTheCalculator();
    // Until an entry is added or the user picks a tab, the list shows all of
    // it rather than one rate's tab, likely empty.
    ui->tabWidget->setCurrentIndex(RateTabs::all);

    // Tab i holds table i.
    for (int tab = 0; tab < ui->tabWidget->count(); ++tab) {
        auto *table = ui->tabWidget->widget(tab)->findChild<QTableWidget *>();
        setUpTable(table);
        tables << table;
    }
    markTheFocusedTab();

    removeSelectedAction = new QAction(tr("Διαγραφή επιλεγμένων τιμών"), this);
    connect(removeSelectedAction, &QAction::triggered, this, &List::removeSelectedItem);
    removeAllAction = new QAction(tr("Διαγραφή όλων των τιμών της καρτέλας"), this);
    connect(removeAllAction, &QAction::triggered, this, &List::removeItems);

    titleTabs();
    connect(model, &SavedList::refiled, this, &List::showRefiled);
    new GroupTables(model, ui->tabWidget, tables, this);
    commands = new ListCommands(keeper, ui->tabWidget, tables, removeSelectedAction,
                                removeAllAction, this);
    connect(model, &SavedList::totalsChanged, this, [this](int group) {
        if (group == ui->tabWidget->currentIndex())
            showTotals();
    });
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &List::showTotals);
    connect(&keeper, &ListFileKeeper::loaded, this, &List::showTotals);
    connect(&keeper, &ListFileKeeper::saveFailed, this, &List::tellFailure);
    connect(model, &SavedList::full, this,
            [this] { SaveFailureBox::tellFull(isVisible() ? this : parentWidget()); });

    loadList();
    showTotals();
}

List::~List()
{
    delete ui;
}

// Closing the list window only hides it: the rows stay, so the list is
// written in the background and a failure is told as for any change.
void List::closeEvent(QCloseEvent *event)
{
    keeper.saveSoon();
    event->accept();
}

// A window of its own beside the calculator, not a dialog kept above it: on a
// small screen the user brings either to the front with a click.
void List::standApartFromTheCalculator()
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
}

// The four columns share the table's width, however large the font, so that
// the final amount always shows; only a window narrower than the four headers
// scrolls sideways. Tab leaves the table rather than walking its cells.
void List::setUpTable(QTableWidget *table)
{
    table->viewport()->installEventFilter(this);
    ColumnFit::measureRowsNearView(table);
    fitColumnsWhenTheyChange(table);
    table->setTabKeyNavigation(false);
    ElidedHeaders::apply(table->horizontalHeader());
    connect(table, &QWidget::customContextMenuRequested, this, &List::ShowContextMenu);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setStyleSheet(QLatin1String(hoverStyle));
}

// Besides a resize of the view: once new rows' cells are in, when the row
// numbers widen (at 10, 100, 1000 rows), and when the table is shown after
// rows came while it was hidden or the font changed.
void List::fitColumnsWhenTheyChange(QTableWidget *table)
{
    // Once for all the changes that come together, as while a list loads.
    auto *fitSoon = new QTimer(table);
    fitSoon->setSingleShot(true);
    fitSoon->setInterval(0);
    connect(fitSoon, &QTimer::timeout, table, [table] {
        if (table->isVisible())
            ColumnFit::fitToWidth(table);
    });
    const auto start = qOverload<>(&QTimer::start);
    connect(table->model(), &QAbstractItemModel::rowsInserted, fitSoon, start);
    connect(table->verticalHeader(), &QHeaderView::geometriesChanged, fitSoon, start);
    table->installEventFilter(this);
}

// Each tab, and its table for screen readers, is named after its group.
void List::titleTabs()
{
    const QStringList names = model->groupNames();
    for (int tab = 0; tab < tables.size(); ++tab) {
        ui->tabWidget->setTabText(tab, names.value(tab));
        tables.at(tab)->setAccessibleName(names.value(tab));
    }
}

void List::followRates(const RateSet &rates)
{
    keeper.whenLoaded(
        [list = model, rates] { list->followRates(rates, RateTabs::groupNames(rates)); });
    // Over the window that the user sees: the calculator, when this is hidden.
    QWidget *window = isVisible() || !parentWidget() ? this : parentWidget();
    (new RefilingJob(window, &keeper))->start();
}

void List::showRefiled(bool followed)
{
    if (!followed)
        return;
    const QString titleBefore = ui->tabWidget->tabText(ui->tabWidget->currentIndex());
    titleTabs();
    showChosenTabAfterNewRates(titleBefore);
    emit ratesFollowed(model->rates());
}

// A tab whose rate changed is not the one the user chose: the tab that now
// files the entry added last takes its place, or else "Όλα".
void List::showChosenTabAfterNewRates(const QString &titleBefore)
{
    if (ui->tabWidget->tabText(ui->tabWidget->currentIndex()) == titleBefore)
        return;
    ui->tabWidget->setCurrentIndex(
        lastAddedRate.isEmpty() ? RateTabs::all : RateTabs::forRate(lastAddedRate, model->rates()));
}

QTableWidget *List::currentTable() const
{
    return tables.at(ui->tabWidget->currentIndex());
}

void List::addEntry(const QString &poso, const QString &fpa, const QString &extraPoso,
                    const QString &finalPoso)
{
    lastAddedRate = fpa;
    // Dated now, also when it waits for the list to be read.
    const Entry entry{poso, fpa, extraPoso, finalPoso, EntryDate::now()};
    keeper.whenLoaded([list = model, entry] { list->addEntry(entry); });
}

// A right click opens the menu where the mouse is.
void List::ShowContextMenu(const QPoint &)
{
    commands->openMenuAt(QCursor::pos());
}

void List::removeSelectedItem()
{
    const int group = ui->tabWidget->currentIndex();
    const int row = currentTable()->currentRow();
    if (row < 0)
        return;
    // The row as it is now: a removal that waits for the loading takes only
    // that entry, also when asked for twice.
    const Entry expected = model->entries(group).value(row);
    keeper.whenLoaded([list = model, group, row, expected] {
        if (list->entries(group).value(row) == expected)
            list->removeRow(group, row);
    });
}

void List::removeItems()
{
    keeper.whenLoaded(
        [list = model, group = ui->tabWidget->currentIndex()] { list->removeAll(group); });
}

// The tab bar marks its current tab clearly while it has the focus.
void List::markTheFocusedTab()
{
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
    case QEvent::Show:
    case QEvent::FontChange:
        if (auto *table = qobject_cast<QTableWidget *>(watched); table && tables.contains(table))
            ColumnFit::fitToWidth(table);
        break;
    default: break;
    }
    return QDialog::eventFilter(watched, event);
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
        // Some systems keep a window above the one it belongs to.
        if (QWindow *window = windowHandle())
            window->setTransientParent(nullptr);
        if (keptPlace.isEmpty() || !restoreGeometry(keptPlace))
            placeBesideParent();
    }
    QDialog::showEvent(event);
}

// Beside the calculator on its screen, where it does not cover it.
void List::placeBesideParent()
{
    // Wide enough for the four columns at the desktop's font, also once the
    // rows need a scroll bar and their numbers; where the screen has not the
    // room, down to the width at which only the column headers are cut short.
    const QTableWidget *table = currentTable();
    const int scrollBar = table->verticalScrollBar()->isVisible()
                              ? 0
                              : table->verticalScrollBar()->sizeHint().width();
    const int rowNumbers = table->verticalHeader()->width() > 0
                               ? 0
                               : table->fontMetrics().horizontalAdvance(QStringLiteral("00000"));
    const int around = width() - table->viewport()->width() + scrollBar + rowNumbers;
    const QSize wished = size()
                             .expandedTo(QSize(around + ColumnFit::neededWidth(table), 0))
                             .expandedTo(minimumSizeHint());
    const QSize smallest =
        QSize(around + ColumnFit::leastWidth(table), 0).expandedTo(minimumSizeHint());
    resize(wished);

    const QWidget *calculator = parentWidget();
    if (!calculator)
        return;
    const QRect anchor = calculator->frameGeometry();
    // This window has no frame yet; it will get one like the calculator's.
    const QSize frame = anchor.size() - calculator->size();
    const QRect place = ListPlacement::besideCalculator(anchor, wished + frame, smallest + frame,
                                                        calculator->screen()->availableGeometry());
    resize(place.size() - frame);
    // Moving places the frame where the window system has told its size
    // already, and else the inside: the frame is then taken to be as the
    // calculator's.
    const QPoint frameKnown = geometry().topLeft() - frameGeometry().topLeft();
    move(place.topLeft() + (calculator->geometry().topLeft() - anchor.topLeft()) - frameKnown);
}

void List::loadList()
{
    keeper.load();
}

// The count and sums of the tab shown, under the tabs, once they are whole.
void List::showTotals()
{
    ui->label_totals->setText(keeper.isLoaded()
                                  ? model->totals(ui->tabWidget->currentIndex()).text()
                                  : tr("Ανάγνωση λίστας…"));
}

bool List::isLoaded() const
{
    return keeper.isLoaded();
}

void List::saveList()
{
    // A reader held up by a hostile file is not waited for without end.
    const int waitMs = 10000;
    keeper.saveNow(QDeadlineTimer(waitMs));
}

void List::tellFailure(const WriteFailure &failure)
{
    SaveFailureBox::tell(isVisible() ? this : parentWidget(), keeper.path(), failure);
}

#include "core/listplacement.h"
#include "core/savedlist.h"
#include "list/list.h"
#include "testsupport.h"

#include <QAbstractPrintDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

namespace {

// The list window, shown and loaded, reached through its object names.
struct ListWindow {
    TestSupport::ListOfTheRun saved;
    List window{saved.keeper};

    ListWindow()
    {
        window.show();
        if (!QTest::qWaitFor([this] { return window.isLoaded(); })
            || !QTest::qWaitForWindowActive(&window))
            qFatal("the list window never came up");
    }

    QTabWidget *tabs() const { return TestSupport::child<QTabWidget>(&window, "tabWidget"); }
    QTabBar *tabBar() const { return tabs()->tabBar(); }
    QTableWidget *currentTable() const
    {
        return tabs()->currentWidget()->findChild<QTableWidget *>();
    }
    QString totals() const { return TestSupport::child<QLabel>(&window, "label_totals")->text(); }
};

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestListWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void totalsFollowTheTabShown_data();
    void totalsFollowTheTabShown();
    void totalsWaitForTheWholeList();
    void exportsTheTabShown_data();
    void exportsTheTabShown();
    void keysMoveBetweenTabBarTableAndTabs_data();
    void keysMoveBetweenTabBarTableAndTabs();
    void firstPlaceLeavesTheCalculatorFree_data();
    void firstPlaceLeavesTheCalculatorFree();
    void columnsFitAtAnyFont_data();
    void columnsFitAtAnyFont();
};

void TestListWindow::init()
{
    QFile::remove(QDir(TestSupport::dataDirectory()).filePath("list.xml"));
    QSettings().remove("exportFolder"); // exports go to the documents folder first
}

// Entries by letter, then steps, and the totals line of the tab shown.
void TestListWindow::totalsFollowTheTabShown_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("totals");

    // a, b at 23 %, c at 9 %, d unreadable, e over a thousand (the wording and
    // the formats themselves are tst_totals's)
    const QString ab = "2 εγγραφές · Αρχική 300,00 · Φ.Π.Α. 69,00 · Τελική 369,00";
    QTest::newRow("none") << "el"
                          << ""
                          << "Καμία εγγραφή";
    QTest::newRow("a rate's tab") << "el"
                                  << "a b c tab1" << ab;
    QTest::newRow("Όλα, a row that has no amount")
        << "el"
        << "a c d tab0"
        << "3 εγγραφές · Αρχική 200,00 · Φ.Π.Α. 32,00 · Τελική 232,00 · 1 χωρίς ποσό";
    QTest::newRow("after a delete") << "el"
                                    << "a b tab1 delete"
                                    << "1 εγγραφή · Αρχική 200,00 · Φ.Π.Α. 46,00 · Τελική 246,00";
    QTest::newRow("after its undo") << "el"
                                    << "a b tab1 delete undo" << ab;
    QTest::newRow("read back at the next start") << "el"
                                                 << "a b restart tab1" << ab;
    QTest::newRow("English groups")
        << "en"
        << "e tab1"
        << "1 εγγραφή · Αρχική 1,234.56 · Φ.Π.Α. 283.95 · Τελική 1,518.51";
}

void TestListWindow::totalsFollowTheTabShown()
{
    QFETCH(QString, locale);
    QFETCH(QString, steps);
    QFETCH(QString, totals);
    const QHash<QString, QStringList> entries = {
        {"a", {"100,00", "23,00", "23,00", "123,00"}},
        {"b", {"200,00", "23,00", "46,00", "246,00"}},
        {"c", {"100,00", "9,00", "9,00", "109,00"}},
        {"d", {"πολλά", "23,00", "?", ""}},
        {"e", {"1234,56", "23,00", "283,95", "1518,51"}},
    };
    if (locale == "en")
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    auto list = std::make_unique<ListWindow>();
    for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
        if (entries.contains(step)) {
            const QStringList &e = entries[step];
            list->window.addEntry(e[0], e[1], e[2], e[3]);
        } else if (step.startsWith("tab")) {
            list->tabs()->setCurrentIndex(step.mid(3).toInt());
        } else if (step == "delete") {
            list->currentTable()->setFocus();
            list->currentTable()->selectRow(0);
            QTest::keyClick(list->currentTable(), Qt::Key_Delete);
        } else if (step == "undo") {
            QTest::keyClick(list->currentTable(), Qt::Key_Z, Qt::ControlModifier);
        } else if (step == "restart") {
            list->window.saveList();
            list = std::make_unique<ListWindow>();
        }
    }
    const QString shown = list->totals();
    TestSupport::useGreekLocale();
    QCOMPARE(shown, totals);
}

// While the list is read the totals line says so, on any tab; the sums come
// once they are whole.
void TestListWindow::totalsWaitForTheWholeList()
{
    {
        ListWindow list;
        list.window.addEntry("100,00", "23,00", "23,00", "123,00");
        list.window.saveList();
    }
    TestSupport::ListOfTheRun saved;
    List window(saved.keeper);
    auto *totals = TestSupport::child<QLabel>(&window, "label_totals");
    QCOMPARE(totals->text(), QString("Ανάγνωση λίστας…"));
    TestSupport::child<QTabWidget>(&window, "tabWidget")->setCurrentIndex(1);
    QCOMPARE(totals->text(), QString("Ανάγνωση λίστας…"));
    QVERIFY(QTest::qWaitFor([&window] { return window.isLoaded(); }));
    QCOMPARE(totals->text(), QString("1 εγγραφή · Αρχική 100,00 · Φ.Π.Α. 23,00 · Τελική 123,00"));
}

void TestListWindow::exportsTheTabShown_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("folderPulled");
    QTest::addColumn<bool>("cancelled"); // as soon as the file is chosen

    QTest::newRow("CSV by Ctrl+S") << "Ctrl+S" << false << false;
    QTest::newRow("CSV by the menu") << "Εξαγωγή σε CSV…" << false << false;
    QTest::newRow("PDF by the menu") << "Εξαγωγή σε PDF…" << false << false;
    QTest::newRow("PDF by Ctrl+Shift+S") << "Ctrl+Shift+S PDF" << false << false;
#ifdef METRINO_XLSX
    QTest::newRow("Excel by the menu") << "Εξαγωγή σε Excel (.xlsx)…" << false << false;
#endif
    QTest::newRow("CSV that cannot be written") << "Ctrl+S" << true << false;
    // Where there is no printer, printing offers the PDF file instead.
    QTest::newRow("PDF by Ctrl+P, no printer") << "Ctrl+P" << false << false;
    QTest::newRow("PDF by the print command, no printer") << "Εκτύπωση…" << false << false;
    QTest::newRow("PDF cancelled") << "Ctrl+Shift+S PDF" << false << true;
    QTest::newRow("CSV cancelled") << "Ctrl+S" << false << true;
}

// The commands hand on the tab shown, under the name proposed unless the
// user chooses another; a file that cannot be written is told of, and none is
// left behind, nor by an export cancelled on its way.
void TestListWindow::exportsTheTabShown()
{
    QFETCH(QString, command);
    QFETCH(bool, folderPulled);
    QFETCH(bool, cancelled);
    const bool printing = command == "Ctrl+P" || command == "Εκτύπωση…";
    if (printing && !QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("a printer is installed");
    const QString suffix = command.contains("PDF") || printing ? ".pdf"
                           : command.contains("Excel")         ? ".xlsx"
                                                               : ".csv";
    QTemporaryDir folder;
    QVERIFY(folder.isValid());

    ListWindow list;
    list.window.addEntry("100,00", "23,00", "23,00", "123,00");
    list.window.addEntry("=1+1", "9,00", "", "");
    list.tabs()->setCurrentIndex(1);
    list.currentTable()->setFocus();
    if (!folderPulled) { // and the row tells when it was added
        QWidget *rows = list.currentTable()->viewport();
        const QPoint at =
            list.currentTable()->visualItemRect(list.currentTable()->item(0, 3)).center();
        QHelpEvent help(QEvent::ToolTip, at, rows->mapToGlobal(at));
        QApplication::sendEvent(rows, &help);
        QCOMPARE(QToolTip::text(),
                 "Καταχωρίστηκε "
                     + QLocale().toString(
                         QDateTime::fromString(list.window.savedList()->entries(1).value(0).date,
                                               "yyyyMMddTHHmm"),
                         "d/M/yyyy HH:mm"));
    }
    TestSupport::BoxAnswerer boxes;
    // A print dialog where there is no printer fails the test rather than
    // waiting for an answer.
    bool printDialogShown = false;
    QTimer printDialogs;
    QObject::connect(&printDialogs, &QTimer::timeout, [&] {
        if (auto *dialog =
                qobject_cast<QAbstractPrintDialog *>(QApplication::activeModalWidget())) {
            printDialogShown = true;
            dialog->reject();
        }
    });
    printDialogs.start(20);
    // Chosen without a suffix: the dialog adds it.
    const QString proposed = TestSupport::saveAs(folder.path(), "day", folderPulled, [&] {
        if (command.startsWith("Ctrl+")) {
            const Qt::Key key = command == "Ctrl+P" ? Qt::Key_P : Qt::Key_S;
            const Qt::KeyboardModifiers shift =
                command.startsWith("Ctrl+Shift+") ? Qt::ShiftModifier : Qt::NoModifier;
            QTest::keyClick(list.currentTable(), key, Qt::ControlModifier | shift);
            return;
        }
        QTimer::singleShot(50, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction *action : menu->actions()) {
                if (action->text() == command)
                    menu->setActiveAction(action);
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        emit list.currentTable()->customContextMenuRequested(QPoint(5, 5));
    });

    QVERIFY(!printDialogShown);
    if (cancelled) {
        auto *progress = TestSupport::child<QProgressDialog>(&list.window, "progressDialog");
        QCOMPARE(progress->windowTitle(), "Φ.Π.Α. μετρίνο: Εξαγωγή");
        const QList<QPushButton *> buttons = progress->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons[0]->text(), "Ακύρωση");
        buttons[0]->click();
    }
    // The work goes on after the dialog, over the window, on the tab as it
    // was when the file was chosen.
    const QString added = list.window.savedList()->entries(1).value(0).date;
    list.window.savedList()->removeAll(1);
    QTRY_VERIFY(!list.window.findChild<QProgressDialog *>());
    if (cancelled) {
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        return;
    }
    // In the documents folder, or the home folder where there is none.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(proposed,
             QDir(QFileInfo(documents).isDir() ? documents : QDir::homePath())
                 .filePath("metrino-23%-" + QDate::currentDate().toString(Qt::ISODate) + suffix));
    const QString written = folder.filePath("day" + suffix);
    QCOMPARE(boxes.seen.size(), int(folderPulled) + int(printing));
    if (printing) {
        QCOMPARE(boxes.seen[0].title, "Φ.Π.Α. μετρίνο: Εκτύπωση");
        QVERIFY(boxes.seen[0].text.startsWith("Δεν υπάρχει εκτυπωτής"));
        QCOMPARE(boxes.seen[0].buttons, QStringList({"Εξαγωγή σε PDF…", "Άκυρο"}));
    }
    if (folderPulled) {
        QCOMPARE(boxes.seen[0].title, "Φ.Π.Α. μετρίνο: Εξαγωγή");
        QVERIFY(boxes.seen[0].text.contains(QDir::toNativeSeparators(written)));
        QVERIFY(!QFileInfo::exists(folder.path()));
    } else if (suffix == ".pdf") {
        QVERIFY(contentOf(written).startsWith("%PDF"));
    } else if (suffix == ".xlsx") {
        QVERIFY(contentOf(written).startsWith("PK\x03\x04")); // a zip, read back elsewhere
    } else {
        QCOMPARE(contentOf(written),
                 "\xEF\xBB\xBF"
                 "Αρχική Τιμή;Ποσοστό Φ.Π.Α.;Προστιθέμενη Τιμή;Τελική Τιμή;Ημερομηνία\r\n"
                 "\"100,00\";\"23,00\";\"23,00\";\"123,00\";"
                     + QDateTime::fromString(added, "yyyyMMddTHHmm")
                           .toString("yyyy-MM-dd HH:mm")
                           .toUtf8()
                     + "\r\n");
    }
}

void TestListWindow::keysMoveBetweenTabBarTableAndTabs_data()
{
    QTest::addColumn<bool>("fromTable");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("tabStep");
    QTest::addColumn<bool>("tableAfter"); // else the tab bar has the focus

    const int ctrl = Qt::ControlModifier;
    const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    QTest::newRow("Tab leaves the table") << true << int(Qt::Key_Tab) << 0 << 0 << false;
    QTest::newRow("Shift+Tab leaves the table")
        << true << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << 0 << false;
    QTest::newRow("Tab from the tab bar") << false << int(Qt::Key_Tab) << 0 << 0 << true;
    QTest::newRow("Ctrl+PgDn in the table") << true << int(Qt::Key_PageDown) << ctrl << 1 << true;
    QTest::newRow("Ctrl+PgUp in the table") << true << int(Qt::Key_PageUp) << ctrl << -1 << true;
    QTest::newRow("Ctrl+Tab in the table") << true << int(Qt::Key_Tab) << ctrl << 1 << true;
    QTest::newRow("Ctrl+Shift+Tab in the table")
        << true << int(Qt::Key_Backtab) << ctrlShift << -1 << true;
    QTest::newRow("Ctrl+PgDn in the tab bar")
        << false << int(Qt::Key_PageDown) << ctrl << 1 << false;
}

void TestListWindow::keysMoveBetweenTabBarTableAndTabs()
{
    QFETCH(bool, fromTable);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, tabStep);
    QFETCH(bool, tableAfter);

    ListWindow list;
    list.tabs()->setCurrentIndex(0); // also wraps round to the last tab
    QTableWidget *table = list.currentTable();
    table->insertRow(0);
    table->insertRow(1);
    table->setCurrentCell(0, 0);
    QWidget *start = fromTable ? static_cast<QWidget *>(table) : list.tabBar();
    start->setFocus(Qt::TabFocusReason);
    QVERIFY(start->hasFocus());

    QTest::keyClick(start, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    const int count = list.tabs()->count();
    QCOMPARE(list.tabs()->currentIndex(), (tabStep + count) % count);
    QWidget *expected = tableAfter ? static_cast<QWidget *>(list.currentTable()) : list.tabBar();
    QCOMPARE(QApplication::focusWidget(), expected);
    if (fromTable && tabStep == 0)
        QCOMPARE(table->currentRow(), 0); // the keys did not walk the cells
}

void TestListWindow::firstPlaceLeavesTheCalculatorFree_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("calculator");
    QTest::addColumn<QSize>("wished");
    QTest::addColumn<QSize>("smallest");
    QTest::addColumn<QString>("side");

    const QRect screen(0, 0, 1280, 800);
    const QSize calculator(230, 270); // with its frame
    const QSize wished(661, 375), smallest(380, 160);
    const auto row = [&](const char *name, const QRect &screen, const QRect &calculator,
                         const char *side, QSize listWished = {}, QSize listSmallest = {}) {
        QTest::newRow(name) << screen << calculator << (listWished.isValid() ? listWished : wished)
                            << (listSmallest.isValid() ? listSmallest : smallest) << side;
    };
    row("centred on 1280x800", screen, QRect(QPoint(525, 265), calculator), "right, narrower");
    row("at the left edge", screen, QRect(QPoint(0, 100), calculator), "right");
    row("at the right edge", screen, QRect(QPoint(1280 - 230, 100), calculator), "left");
    row("wide and centred", screen, QRect(QPoint(240, 20), QSize(800, 300)), "below");
    row("wide at the bottom", screen, QRect(QPoint(240, 480), QSize(800, 300)), "above");
    row("screen smaller than both", QRect(0, 0, 800, 600), QRect(QPoint(285, 165), calculator),
        "overlapping, narrower");
    row("second screen", QRect(1280, 0, 1280, 800), QRect(QPoint(1280, 100), calculator), "right");
    // As measured under a window manager, the list's columns at 9 and 16 pt.
    const QRect small(0, 0, 1024, 600);
    const QRect centredOnSmall(QPoint(401, 169), QSize(222, 261));
    row("1024x600, centred", small, centredOnSmall, "right, narrower", {643, 356}, {272, 160});
    row("1024x600, centred, 16 pt", small, centredOnSmall, "right, narrower", {844, 356},
        {390, 200});
    row("1024x600, low, 16 pt", small, QRect(QPoint(150, 330), QSize(222, 261)), "above, shorter",
        {844, 356}, {390, 200});
    row("1366x768, centred, 16 pt", QRect(0, 0, 1366, 768),
        QRect(QPoint(572, 253), QSize(222, 261)), "below, shorter", {844, 356}, {390, 200});
}

void TestListWindow::firstPlaceLeavesTheCalculatorFree()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, calculator);
    QFETCH(QSize, wished);
    QFETCH(QSize, smallest);
    QFETCH(QString, side);

    const QRect place = ListPlacement::besideCalculator(calculator, wished, smallest, screen);

    QVERIFY2(screen.contains(place), qPrintable(side));
    QVERIFY(place.width() >= smallest.width() && place.height() >= smallest.height());
    QCOMPARE(place.intersects(calculator), side.startsWith("overlapping"));
    if (side.startsWith("right"))
        QVERIFY(place.left() > calculator.right());
    else if (side.startsWith("left"))
        QVERIFY(place.right() < calculator.left());
    else if (side.startsWith("below"))
        QVERIFY(place.top() > calculator.bottom());
    else if (side.startsWith("above"))
        QVERIFY(place.bottom() < calculator.top());
    else // over the rate buttons on the right, never over the boxes
        QVERIFY(place.left() > calculator.center().x());
    QCOMPARE(place.size() == wished, !side.contains(','));
}

void TestListWindow::columnsFitAtAnyFont_data()
{
    QTest::addColumn<int>("pointSize"); // 0: the desktop's
    QTest::addColumn<int>("rows");
    QTest::newRow("9 pt") << 9 << 0;
    QTest::newRow("13 pt") << 13 << 0;
    QTest::newRow("16 pt") << 16 << 0;
    QTest::newRow("desktop font, a row") << 0 << 1;
    QTest::newRow("16 pt, 10 rows") << 16 << 10;
    QTest::newRow("desktop font, 1000 rows") << 0 << 1000;
}

// On every tab the last column ends inside the view and no scroll bar shows:
// also on tabs whose rows came while they were hidden, and as the row
// numbers widen at 10, 100 and 1000 rows.
void TestListWindow::columnsFitAtAnyFont()
{
    QFETCH(int, pointSize);
    QFETCH(int, rows);
    const QFont original = QApplication::font();
    QFont font = original;
    if (pointSize > 0)
        font.setPointSize(pointSize);
    QApplication::setFont(font);
    // Every column as wide as its header and rows need, and all four in
    // view where the view is wide enough for them.
    const auto checkFits = [](const QTableWidget *table, const QString &where) {
        for (int settle = 0; settle < 3; ++settle)
            QCoreApplication::processEvents();
        const QHeaderView *header = table->horizontalHeader();
        const QAbstractItemView *view = table;
        int needed = 0;
        for (int column = 0; column < header->count(); ++column) {
            const int need = qMax(header->sectionSizeHint(column), view->sizeHintForColumn(column));
            QVERIFY2(header->sectionSize(column) >= need,
                     qPrintable(QStringLiteral("%1: column %2 is %3 of %4 px")
                                    .arg(where)
                                    .arg(column)
                                    .arg(header->sectionSize(column))
                                    .arg(need)));
            needed += need;
        }
        const int last = header->count() - 1;
        const int rightEdge = header->sectionViewportPosition(last) + header->sectionSize(last);
        const QString why = QStringLiteral("%1: ends at %2 of %3 px")
                                .arg(where)
                                .arg(rightEdge)
                                .arg(table->viewport()->width());
        if (needed <= table->viewport()->width()) {
            QVERIFY2(rightEdge <= table->viewport()->width(), qPrintable(why));
            QVERIFY2(!table->horizontalScrollBar()->isVisible(), qPrintable(why));
        }
    };
    {
        ListWindow list;
        // Rows of two rates: the tab of one is shown, "Όλα" and the other's
        // tab take their rows hidden.
        for (int row = 1; row <= rows; ++row) {
            const QString amount = QString::number(100000 + row) + ",00";
            list.window.addEntry(amount, row % 2 ? "13,00" : "9,00", "1,00", amount);
            if (row == 1 || row == 10 || row == 100 || row == 1000)
                checkFits(list.currentTable(), QStringLiteral("row %1").arg(row));
        }
        for (int tab = 0; tab < list.tabs()->count(); ++tab) {
            list.tabs()->setCurrentIndex(tab);
            checkFits(list.currentTable(), list.tabs()->tabText(tab));
        }
        list.window.saveList();
    }
    {
        // Read back at the next start: the rows come while the tabs are hidden.
        ListWindow list;
        for (int tab = 0; tab < list.tabs()->count(); ++tab) {
            list.tabs()->setCurrentIndex(tab);
            checkFits(list.currentTable(), "restarted, " + list.tabs()->tabText(tab));
        }
        // The desktop's font changes while the program runs.
        list.tabs()->setCurrentIndex(0);
        QFont larger = font;
        larger.setPointSize(font.pointSize() + 3);
        QApplication::setFont(larger);
        for (int tab = 0; tab < list.tabs()->count(); ++tab) {
            list.tabs()->setCurrentIndex(tab);
            checkFits(list.currentTable(), "larger font, " + list.tabs()->tabText(tab));
        }
    }
    QApplication::setFont(original);
}

METRINO_TEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"

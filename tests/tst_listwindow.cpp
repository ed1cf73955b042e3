#include "list/list.h"
#include "list/listplacement.h"
#include "testsupport.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

// The list window, shown and loaded, reached through its object names.
struct ListWindow {
    List window;

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
};

} // namespace

class TestListWindow : public QObject
{
    Q_OBJECT

private slots:
    void keysMoveBetweenTabBarTableAndTabs_data();
    void keysMoveBetweenTabBarTableAndTabs();
    void firstPlaceLeavesTheCalculatorFree_data();
    void firstPlaceLeavesTheCalculatorFree();
    void columnsFitAtAnyFont_data();
    void columnsFitAtAnyFont();
};

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
    QTest::addColumn<QString>("side");

    const QRect screen(0, 0, 1280, 800);
    const QSize calculator(230, 270); // with its frame
    QTest::newRow("centred on 1280x800")
        << screen << QRect(QPoint(525, 265), calculator) << "right, narrower";
    QTest::newRow("at the left edge") << screen << QRect(QPoint(0, 100), calculator) << "right";
    QTest::newRow("at the right edge")
        << screen << QRect(QPoint(1280 - 230, 100), calculator) << "left";
    QTest::newRow("wide and centred")
        << screen << QRect(QPoint(240, 20), QSize(800, 300)) << "below";
    QTest::newRow("wide at the bottom")
        << screen << QRect(QPoint(240, 480), QSize(800, 300)) << "above";
    QTest::newRow("screen smaller than both")
        << QRect(0, 0, 800, 600) << QRect(QPoint(285, 165), calculator) << "overlapping";
    QTest::newRow("second screen")
        << QRect(1280, 0, 1280, 800) << QRect(QPoint(1280, 100), calculator) << "right";
}

void TestListWindow::firstPlaceLeavesTheCalculatorFree()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, calculator);
    QFETCH(QString, side);
    const QSize wished(661, 375);
    const QSize smallest(380, 160);

    const QRect place = ListPlacement::besideCalculator(calculator, wished, smallest, screen);

    QVERIFY2(screen.contains(place), qPrintable(side));
    QVERIFY(place.width() >= smallest.width() && place.height() >= smallest.height());
    QCOMPARE(place.intersects(calculator), side == "overlapping");
    if (side.startsWith("right"))
        QVERIFY(place.left() > calculator.right());
    else if (side == "left")
        QVERIFY(place.right() < calculator.left());
    else if (side == "below")
        QVERIFY(place.top() > calculator.bottom());
    else if (side == "above")
        QVERIFY(place.bottom() < calculator.top());
    QCOMPARE(place.size() == wished, !side.contains(','));
}

void TestListWindow::columnsFitAtAnyFont_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("9 pt") << 9;
    QTest::newRow("13 pt") << 13;
    QTest::newRow("16 pt") << 16;
}

void TestListWindow::columnsFitAtAnyFont()
{
    QFETCH(int, pointSize);
    const QFont original = QApplication::font();
    QFont font = original;
    font.setPointSize(pointSize);
    QApplication::setFont(font);
    {
        ListWindow list;
        for (int tab = 0; tab < list.tabs()->count(); ++tab) {
            list.tabs()->setCurrentIndex(tab);
            QTableWidget *table = list.currentTable();
            const QHeaderView *header = table->horizontalHeader();
            const int last = header->count() - 1;
            const int rightEdge = header->sectionViewportPosition(last) + header->sectionSize(last);
            QVERIFY2(rightEdge <= table->viewport()->width(),
                     qPrintable(
                         QStringLiteral("%1 > %2").arg(rightEdge).arg(table->viewport()->width())));
            if (tab == 0)
                qInfo("%d pt: last column ends at %d of %d px", pointSize, rightEdge,
                      table->viewport()->width());
            QVERIFY(!table->horizontalScrollBar()->isVisible());
        }
    }
    QApplication::setFont(original);
}

METRINO_TEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"

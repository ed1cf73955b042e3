#include "list/list.h"
#include "list/listplacement.h"
#include "list/savedlist.h"
#include "testsupport.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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
    QString totals() const { return TestSupport::child<QLabel>(&window, "label_totals")->text(); }
};

// Answers the save dialog that the trigger opens by choosing the file name in
// the folder, and returns the file that the dialog proposed. Nothing is
// chosen until the dialog shows that folder. With pullFolder, the folder goes
// away as the dialog closes, as a pulled out memory stick does.
QString saveAs(const QString &folder, const QString &name, bool pullFolder,
               const std::function<void()> &trigger)
{
    QString proposed;
    bool answered = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (modal && modal->objectName() == "PeriodChoice") {
            modal->accept(); // the whole tab
            return;
        }
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog || !dialog->isVisible() || answered)
            return;
        if (proposed.isEmpty())
            proposed = dialog->selectedFiles().value(0);
        // Typed into the name box, which selectFile() leaves alone while it
        // has the focus.
        dialog->setDirectory(folder);
        if (auto *nameBox = dialog->findChild<QLineEdit *>("fileNameEdit"))
            nameBox->setText(name);
        const QFileInfo chosen(dialog->selectedFiles().value(0));
        if (chosen.absolutePath() != QDir(folder).absolutePath()
            || chosen.completeBaseName() != name)
            return;
        answered = true;
        if (pullFolder) {
            QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                             [folder] { QDir(folder).removeRecursively(); });
        }
        static_cast<QDialog *>(dialog)->accept(); // as the Save button does
    });
    watch.start(20);
    trigger();
    return proposed;
}

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

void TestListWindow::exportsTheTabShown_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("folderPulled");

    QTest::newRow("CSV by Ctrl+S") << "Ctrl+S" << false;
    QTest::newRow("CSV by the menu") << "Εξαγωγή σε CSV…" << false;
    QTest::newRow("PDF by the menu") << "Εξαγωγή σε PDF…" << false;
#ifdef METRINO_XLSX
    QTest::newRow("Excel by the menu") << "Εξαγωγή σε Excel (.xlsx)…" << false;
#endif
    QTest::newRow("CSV that cannot be written") << "Ctrl+S" << true;
}

// The commands hand on the tab shown, under the name proposed unless the
// user chooses another; a file that cannot be written is told of, and none is
// left behind.
void TestListWindow::exportsTheTabShown()
{
    QFETCH(QString, command);
    QFETCH(bool, folderPulled);
    const QString suffix = command.contains("PDF")     ? ".pdf"
                           : command.contains("Excel") ? ".xlsx"
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
        const QPoint at = list.currentTable()->visualItemRect(list.currentTable()->item(0, 3)).center();
        QHelpEvent help(QEvent::ToolTip, at, rows->mapToGlobal(at));
        QApplication::sendEvent(rows, &help);
        QCOMPARE(QToolTip::text(),
                 "Καταχωρίστηκε "
                     + QLocale().toString(QDateTime::fromString(
                                              list.window.savedList()->entries(1).value(0).date,
                                              "yyyyMMddTHHmm"),
                                          "d/M/yyyy HH:mm"));
    }
    TestSupport::BoxAnswerer boxes;
    // Chosen without a suffix: the dialog adds it.
    const QString proposed = saveAs(folder.path(), "day", folderPulled, [&] {
        if (command == "Ctrl+S") {
            QTest::keyClick(list.currentTable(), Qt::Key_S, Qt::ControlModifier);
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

    // In the documents folder, or the home folder where there is none.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(proposed,
             QDir(QFileInfo(documents).isDir() ? documents : QDir::homePath())
                 .filePath("metrino-23%-" + QDate::currentDate().toString(Qt::ISODate) + suffix));
    const QString written = folder.filePath("day" + suffix);
    QCOMPARE(boxes.seen.size(), int(folderPulled));
    if (folderPulled) {
        QCOMPARE(boxes.seen[0].title, "Φ.Π.Α. μετρίνο: Εξαγωγή");
        QVERIFY(boxes.seen[0].text.contains(QDir::toNativeSeparators(written)));
        QVERIFY(!QFileInfo::exists(folder.path()));
    } else if (suffix == ".pdf") {
        QVERIFY(contentOf(written).startsWith("%PDF"));
    } else if (suffix == ".xlsx") {
        QVERIFY(contentOf(written).startsWith("PK\x03\x04")); // a zip, read back elsewhere
    } else {
        const QString added = list.window.savedList()->entries(1).value(0).date;
        QCOMPARE(contentOf(written),
                 "\xEF\xBB\xBF"
                 "Αρχική Τιμή;Ποσοστό Φ.Π.Α.;Προστιθέμενη Τιμή;Τελική Τιμή;Ημερομηνία\r\n"
                 "100,00;23,00;23,00;123,00;"
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

// A shop keeper's day, through the real windows and by keyboard: the rates of
// the law set, a restart, entries by Enter, a typed rate, a correction, the
// final amount copied and the list handed to a spreadsheet. Each feature has
// tests of its own; these are the figures that come out where they meet.

#include "calculatordriver.h"
#include "core/ratetabs.h"
#include "core/savedlist.h"
#include "list/list.h"
#include "testsupport.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// The rows of the "Όλα" tab at the end of the day, as the CSV holds them.
// The day's CSV but for each row's date, which is when the test ran.
const QList<QByteArray> dayCsv = {
    "\xEF\xBB\xBF"
    "Αρχική Τιμή;Ποσοστό Φ.Π.Α.;Προστιθέμενη Τιμή;Τελική Τιμή;Ημερομηνία",
    "\"100,00\";\"24,00\";\"24,00\";\"124,00\";", "\"61,00\";\"24,00\";\"14,64\";\"75,64\";",
    "\"250,00\";\"13,00\";\"32,50\";\"282,50\";", "\"250,00\";\"10,00\";\"25,00\";\"275,00\";"};
const QString dayTotals = "4 εγγραφές · Αρχική 661,00 · Φ.Π.Α. 96,14 · Τελική 757,14";

QTabWidget *tabsOf(const Calculator &calc)
{
    return TestSupport::child<QTabWidget>(calc.list(), "tabWidget");
}

QString totalsOf(const Calculator &calc)
{
    return TestSupport::child<QLabel>(calc.list(), "label_totals")->text();
}

// Ctrl+, and "Από 2016" in the rates dialog, then OK.
void setRatesFrom2016(Calculator &calc)
{
    QTimer::singleShot(0, [] {
        auto *rates = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(rates && rates->objectName() == "Rates");
        TestSupport::child<QPushButton>(rates, "pushButton_rates_2016")->click();
        rates->accept();
    });
    QTest::keyClick(calc.price(), Qt::Key_Comma, Qt::ControlModifier);
    // The calculator takes them once the list has followed them.
    QTRY_COMPARE(calc.rateButton("radioButton_fpa")->text(), QString("24%"));
}

// Types into whatever has the keyboard focus, then presses Enter there.
void typeAndEnter(const QString &text)
{
    QWidget *focused = QApplication::focusWidget();
    QVERIFY(focused);
    QTest::keyClicks(focused, text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// The cells of a spreadsheet file in the flat OpenDocument form, row by row:
// a number as "=value", any other cell as its text.
QList<QStringList> spreadsheetCells(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.qualifiedName() == QLatin1String("table:table-row")) {
            rows.append(QStringList());
        } else if (xml.qualifiedName() == QLatin1String("table:table-cell") && !rows.isEmpty()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QString value = attributes.value("office:value").toString();
            const bool number = attributes.value("office:value-type") == QLatin1String("float");
            const QString text =
                xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            const int repeated = qMax(1, attributes.value("table:number-columns-repeated").toInt());
            for (int copy = 0; copy < repeated && (number || !text.isEmpty()); ++copy)
                rows.last() << (number ? "=" + value : text);
        }
    }
    return rows;
}

} // namespace

class TestDay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void aDayAtTheCounter();
    void aGreekSpreadsheetReadsTheAmountsAsNumbers();

private:
    QTemporaryDir folder;
    QString exported;
};

void TestDay::initTestCase()
{
    QFile::remove(TestSupport::dataDirectory() + "/list.xml");
    QSettings().remove("rates");
    QVERIFY(folder.isValid());
}

void TestDay::aDayAtTheCounter()
{
    {
        Calculator morning;
        QVERIFY(QTest::qWaitForWindowActive(&morning.window));
        setRatesFrom2016(morning);
        QCOMPARE(morning.rate()->text(), QString("24,00"));
        morning.window.close();
    }

    // The day proper starts with the program.
    Calculator calc;
    QVERIFY(QTest::qWaitForWindowActive(&calc.window));
    QVERIFY(calc.rateButton("radioButton_fpa")->isChecked());
    QCOMPARE(calc.rateButton("radioButton_fpa")->text(), QString("24%"));
    QCOMPARE(calc.rate()->text(), QString("24,00"));

    calc.price()->setFocus(Qt::TabFocusReason);
    typeAndEnter("100");
    QCOMPARE(tabsOf(calc)->tabText(tabsOf(calc)->currentIndex()), QString("24%"));
    QCOMPARE(totalsOf(calc), QString("1 εγγραφή · Αρχική 100,00 · Φ.Π.Α. 24,00 · Τελική 124,00"));
    // The next price replaces the last one.
    typeAndEnter("61");
    QCOMPARE(calc.results(), QString("14,64 / 75,64"));
    QCOMPARE(calc.listRows("tableWidget_23"),
             QStringList({"100,00|24,00|24,00|124,00", "61,00|24,00|14,64|75,64"}));
    QCOMPARE(totalsOf(calc), QString("2 εγγραφές · Αρχική 161,00 · Φ.Π.Α. 38,64 · Τελική 199,64"));

    {
        TestSupport::BoxAnswerer answerer;
        QTest::keyClick(calc.price(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), QString("75,64"));
        QCOMPARE(answerer.seen.size(), 1);
    }
    // The desktop gives the calculator the keyboard back once the box is closed.
    calc.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&calc.window));
    QCOMPARE(QApplication::focusWidget(), calc.price());

    calc.rateButton("radioButton_fpa_3")->click();
    typeAndEnter("250");
    QCOMPARE(tabsOf(calc)->tabText(tabsOf(calc)->currentIndex()), QString("13%"));
    QCOMPARE(calc.listRows("tableWidget_13"), QStringList{"250,00|13,00|32,50|282,50"});

    // A rate of its own, typed; "13%" stays checked, the entry goes to "Λοιπά".
    QTest::keyClick(calc.price(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), calc.rate());
    typeAndEnter("10");
    QVERIFY(calc.rateButton("radioButton_fpa_3")->isChecked());
    QCOMPARE(QApplication::focusWidget(), calc.price());
    typeAndEnter("0,01");
    QCOMPARE(tabsOf(calc)->tabText(tabsOf(calc)->currentIndex()), QString("Λοιπά"));
    QCOMPARE(calc.listRows("tableWidget_loipa"),
             QStringList({"250,00|10,00|25,00|275,00", "0,01|10,00|0,00|0,01"}));
    QCOMPARE(calc.listRows("tableWidget").size(), 5);
    QCOMPARE(calc.listRows("tableWidget_23").size(), 2);

    // The correction, in "Όλα": two rows deleted, the second one by mistake.
    tabsOf(calc)->setCurrentIndex(0);
    QTableWidget *all = calc.listTable("tableWidget");
    all->setFocus();
    for (int row : {4, 3}) {
        all->selectRow(row);
        QTest::keyClick(all, Qt::Key_Delete);
    }
    QCOMPARE(totalsOf(calc), QString("3 εγγραφές · Αρχική 411,00 · Φ.Π.Α. 71,14 · Τελική 482,14"));
    QTest::keyClick(all, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(tabsOf(calc)->currentIndex(), 0);
    QCOMPARE(totalsOf(calc), dayTotals);
    // The other tabs keep their rows.
    QCOMPARE(calc.listRows("tableWidget_loipa").size(), 2);

    exported = QDir(folder.path()).filePath("day.csv");
    TestSupport::saveAs(folder.path(), "day", false,
                        [all] { QTest::keyClick(all, Qt::Key_S, Qt::ControlModifier); });
    QTRY_VERIFY(QFile::exists(exported)); // written after the dialog, and only whole
    QFile csv(exported);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QList<QByteArray> expected = dayCsv;
    const EntryGroup &rows = qobject_cast<List *>(calc.list())->savedList()->entries(RateTabs::all);
    QCOMPARE(rows.size(), expected.size() - 1);
    for (int row = 0; row < rows.size(); ++row) {
        const QDateTime added = QDateTime::fromString(rows.at(row).date, "yyyyMMddTHHmm");
        QVERIFY2(added.isValid(), qPrintable(rows.at(row).date));
        expected[row + 1] += added.toString("yyyy-MM-dd HH:mm").toUtf8();
    }
    QCOMPARE(csv.readAll(), expected.join("\r\n") + "\r\n");
}

// LibreOffice Calc opens the day's CSV with Greek settings, the separators
// "," and ";" both ticked, as its import dialog may remember them: every
// amount is a number, and the final amounts add up to the totals line.
void TestDay::aGreekSpreadsheetReadsTheAmountsAsNumbers()
{
    const QString office = QStandardPaths::findExecutable("soffice");
    if (office.isEmpty())
        QSKIP("LibreOffice is not installed");
    if (exported.isEmpty() || !QFile::exists(exported))
        QSKIP("the day did not end with a CSV");

    QProcess convert;
    convert.setProcessChannelMode(QProcess::MergedChannels);
    const QString profile = QUrl::fromLocalFile(folder.filePath("office-profile")).toString();
    // Separators ";" and ",", quotes, UTF-8, from line 1, standard columns, Greek.
    convert.start(office, {"--headless", "-env:UserInstallation=" + profile,
                           "--infilter=Text - txt - csv (StarCalc):59/44,34,76,1,,1032",
                           "--convert-to", "fods", "--outdir", folder.path(), exported});
    QVERIFY(convert.waitForFinished(-1));
    const QString converted = QDir(folder.path()).filePath("day.fods");
    QVERIFY2(QFile::exists(converted), convert.readAll().constData());

    const QList<QStringList> rows = spreadsheetCells(converted);
    QVERIFY(rows.size() >= 5);
    QCOMPARE(rows.at(0).value(3), QString("Τελική Τιμή"));
    double finalSum = 0;
    for (int row = 1; row <= 4; ++row) {
        QCOMPARE(rows.at(row).size(), 5);
        for (const QString &cell : rows.at(row).mid(0, 4))
            QVERIFY2(cell.startsWith('='), qPrintable(rows.at(row).join('|')));
        finalSum += rows.at(row).at(3).mid(1).toDouble();
    }
    QVERIFY2(dayTotals.endsWith("Τελική " + QLocale().toString(finalSum, 'f', 2)),
             qPrintable(QString::number(finalSum)));
}

METRINO_TEST_MAIN(TestDay)
#include "tst_day.moc"

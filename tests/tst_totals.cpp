#include "core/entrydate.h"
#include "core/listexport.h"
#include "core/safefile.h"
#include "core/totals.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QLocale greek(QLocale::Greek, QLocale::Greece);
const QLocale english(QLocale::English, QLocale::UnitedStates);

Entry entry(const QString &poso, const QString &extraPoso, const QString &finalPoso)
{
    return {poso, QStringLiteral("23,00"), extraPoso, finalPoso};
}

// Eleven rows of 100 + 23 and one of 134,56 + 30,95.
EntryGroup twelveRows(bool dotAsPoint)
{
    const auto text = [dotAsPoint](QString amount) {
        return dotAsPoint ? amount.replace(u',', u'.') : amount;
    };
    EntryGroup rows(11, entry(text("100,00"), text("23,00"), text("123,00")));
    rows << entry(text("134,56"), text("30,95"), text("165,51"));
    return rows;
}

} // namespace

// The sums of the list, the CSV of a tab and the safe writing of exported
// files; all without any window.
class TestTotals : public QObject
{
    Q_OBJECT

private slots:
    void readsAmountsToTheCent_data();
    void readsAmountsToTheCent();
    void readsWhatEachLocaleWrites_data();
    void readsWhatEachLocaleWrites();
    void sumsAndWritesTheTotalsLine_data();
    void sumsAndWritesTheTotalsLine();
    void sumsExactlyWhereDoublesDrift();
    void writesCsvThatSpreadsheetsOpenSafely_data();
    void writesCsvThatSpreadsheetsOpenSafely();
    void failedSaveLeavesNoPartialFile_data();
    void failedSaveLeavesNoPartialFile();
    void periodHoldsTheEntriesOfItsDays_data();
    void periodHoldsTheEntriesOfItsDays();
};

void TestTotals::readsAmountsToTheCent_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("cents"); // -1: no amount

    QTest::newRow("Greek") << greek << "1234,56" << 123456LL;
    QTest::newRow("English") << english << "1234.56" << 123456LL;
    QTest::newRow("dot in Greek") << greek << "12.5" << 1250LL;
    QTest::newRow("comma in English") << english << "12,5" << 1250LL;
    QTest::newRow("grouped Greek") << english << "1.234,56" << 123456LL;
    QTest::newRow("grouped English") << greek << "1,234.56" << 123456LL;
    QTest::newRow("negative") << greek << "-999999,00" << -99999900LL;
    QTest::newRow("no decimals") << greek << "7" << 700LL;
    QTest::newRow("spaces") << greek << " 0,07 " << 7LL;
    QTest::newRow("zeros below the cent") << greek << "12,500" << 1250LL;
    QTest::newRow("largest") << greek << "99999999999,99" << 9999999999999LL;
    QTest::newRow("below the cent") << greek << "12,345" << -1LL;
    QTest::newRow("lone dot groups no amount") << english << "1.234" << -1LL;
    QTest::newRow("too large") << greek << "100000000000,00" << -1LL;
    QTest::newRow("empty") << greek << "" << -1LL;
    QTest::newRow("text") << greek << "δέκα" << -1LL;
    QTest::newRow("badly grouped") << greek << "1.23,4" << -1LL;
    QTest::newRow("two signs") << greek << "--5" << -1LL;
    QTest::newRow("exponent") << english << "1e5" << -1LL;
    QTest::newRow("formula") << greek << "=1+2" << -1LL;
}

void TestTotals::readsAmountsToTheCent()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(qlonglong, cents);

    const std::optional<qint64> read = Totals::readCents(text, locale);
    QCOMPARE(read.value_or(-1), cents);
}

// The calculator writes its boxes in the user's locale, whatever its signs,
// digits and decimal point.
void TestTotals::readsWhatEachLocaleWrites_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("Greek") << greek;
    QTest::newRow("English") << english;
    QTest::newRow("C") << QLocale::c();
    QTest::newRow("Swedish") << QLocale(QLocale::Swedish, QLocale::Sweden);
    QTest::newRow("Arabic") << QLocale(QLocale::Arabic, QLocale::Egypt);
    QTest::newRow("Persian") << QLocale(QLocale::Persian, QLocale::Iran);
}

void TestTotals::readsWhatEachLocaleWrites()
{
    QFETCH(QLocale, locale);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    for (const qint64 cents : {0LL, 7LL, 1250LL, 123456LL, -99999900LL, 10000000000LL}) {
        const QString text = locale.toString(cents / 100.0, 'f', 2);
        QCOMPARE(Totals::readCents(text, locale).value_or(-1), cents);
    }
}

void TestTotals::sumsAndWritesTheTotalsLine_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<EntryGroup>("rows");
    QTest::addColumn<QString>("line");

    QTest::newRow("none") << greek << EntryGroup() << "Καμία εγγραφή";
    QTest::newRow("one") << greek << EntryGroup{entry("100,00", "23,00", "123,00")}
                         << "1 εγγραφή · Αρχική 100,00 · Φ.Π.Α. 23,00 · Τελική 123,00";
    QTest::newRow("Greek") << greek << twelveRows(false)
                           << "12 εγγραφές · Αρχική 1.234,56 · Φ.Π.Α. 283,95 · Τελική 1.518,51";
    QTest::newRow("English") << english << twelveRows(true)
                             << "12 εγγραφές · Αρχική 1,234.56 · Φ.Π.Α. 283.95 · Τελική 1,518.51";
    QTest::newRow("Greek texts, English locale")
        << english << twelveRows(false)
        << "12 εγγραφές · Αρχική 1,234.56 · Φ.Π.Α. 283.95 · Τελική 1,518.51";
    QTest::newRow("VAT extracted, below zero")
        << greek << EntryGroup{entry("-123,00", "-23,00", "-100,00")}
        << "1 εγγραφή · Αρχική -123,00 · Φ.Π.Α. -23,00 · Τελική -100,00";
    // A row with any amount unreadable is left out of all three sums.
    QTest::newRow("unreadable")
        << greek
        << EntryGroup{entry("100,00", "23,00", "123,00"), entry("", "", ""),
                      entry("50,00", "x", "61,50"), entry("1,005", "0,23", "1,23")}
        << "4 εγγραφές · Αρχική 100,00 · Φ.Π.Α. 23,00 · Τελική 123,00 · 3 χωρίς ποσό";
    QTest::newRow("thousands of rows")
        << greek << EntryGroup(12345, entry("1,00", "0,23", "1,23"))
        << "12.345 εγγραφές · Αρχική 12.345,00 · Φ.Π.Α. 2.839,35 · Τελική 15.184,35";
}

// The sums follow every row added and removed; removing every row brings
// them back to nothing, also for rows that could not be read.
void TestTotals::sumsAndWritesTheTotalsLine()
{
    QFETCH(QLocale, locale);
    QFETCH(EntryGroup, rows);
    QFETCH(QString, line);

    GroupTotals totals(locale);
    for (const Entry &row : rows)
        totals.add(row);
    QCOMPARE(totals.text(), line);
    QCOMPARE(totals.rows(), rows.size());

    for (const Entry &row : rows)
        totals.remove(row);
    QCOMPARE(totals.text(), QStringLiteral("Καμία εγγραφή"));
    QCOMPARE(totals.unreadableRows(), 0);
    QCOMPARE(totals.posoCents(), 0);
    QCOMPARE(totals.extraPosoCents(), 0);
    QCOMPARE(totals.finalPosoCents(), 0);
}

// 0,07 and 0,01 have no exact binary form: their sums in doubles end up a
// hair below the cent, and lose it once cut to cents.
void TestTotals::sumsExactlyWhereDoublesDrift()
{
    const int count = 100000;
    double priceSum = 0;
    double vatSum = 0;
    for (int i = 0; i < count; ++i) {
        priceSum += 0.07;
        vatSum += 0.01;
    }
    QVERIFY(qint64(priceSum * 100) != 7 * count); // the drift this guards against
    QVERIFY(qint64(vatSum * 100) != count);

    GroupTotals totals(greek);
    for (int i = 0; i < count; ++i)
        totals.add(entry("0,07", "0,01", "0,08"));
    QCOMPARE(
        totals.text(),
        QStringLiteral("100.000 εγγραφές · Αρχική 7.000,00 · Φ.Π.Α. 1.000,00 · Τελική 8.000,00"));
}

void TestTotals::writesCsvThatSpreadsheetsOpenSafely_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QByteArray>("field");

    // Quoted: a spreadsheet that guesses "," for a separator keeps it whole.
    QTest::newRow("amount") << "1234,56" << QByteArray("\"1234,56\"");
    QTest::newRow("negative amount") << "-23,00" << QByteArray("\"-23,00\"");
    QTest::newRow("English amount") << "1234.56" << QByteArray("1234.56");
    QTest::newRow("Greek") << "Λοιπά" << QByteArray("Λοιπά");
    QTest::newRow("semicolon") << "1;2" << QByteArray("\"1;2\"");
    QTest::newRow("quote") << "12\"" << QByteArray("\"12\"\"\"");
    QTest::newRow("line break") << "1\n2" << QByteArray("\"1\n2\"");
    QTest::newRow("formula") << "=HYPERLINK(\"x\")" << QByteArray("\"'=HYPERLINK(\"\"x\"\")\"");
    QTest::newRow("plus") << "+cmd" << QByteArray("'+cmd");
    QTest::newRow("minus") << "-1+1" << QByteArray("'-1+1");
    QTest::newRow("at") << "@SUM(A1)" << QByteArray("'@SUM(A1)");
    QTest::newRow("tab") << "\t=1" << QByteArray("'\t=1");
    QTest::newRow("carriage return") << "\r=1" << QByteArray("\"'\r=1\"");
    QTest::newRow("empty") << "" << QByteArray();
}

// A header row and one line per entry, in the form Greek spreadsheets open.
void TestTotals::writesCsvThatSpreadsheetsOpenSafely()
{
    QFETCH(QString, cell);
    QFETCH(QByteArray, field);

    const QStringList headers = {"Αρχική Τιμή", "Ποσοστό Φ.Π.Α.", "Προστιθέμενη Τιμή",
                                 "Τελική Τιμή", "Ημερομηνία"};
    const EntryGroup rows = {{"100,00", "23,00", "23,00", "123,00", "20261209T1432"},
                             {cell, "23,00", "0,00", "0,00"}};
    const QByteArray expected =
        "\xEF\xBB\xBF"
        "Αρχική Τιμή;Ποσοστό Φ.Π.Α.;Προστιθέμενη Τιμή;Τελική Τιμή;Ημερομηνία\r\n"
        "\"100,00\";\"23,00\";\"23,00\";\"123,00\";2026-12-09 14:32\r\n"
        + field + ";\"23,00\";\"0,00\";\"0,00\";\r\n";
    QCOMPARE(ListExport::csv(headers, rows), expected);
}

// The one writer of the list and of every export.
void TestTotals::failedSaveLeavesNoPartialFile_data()
{
    QTest::addColumn<QString>("target");      // in the temporary folder
    QTest::addColumn<QString>("writing");     // whole, fails (half-way), cancelled, dropped
    QTest::addColumn<QByteArray>("previous"); // what the target held before
    QTest::addColumn<bool>("makesFolder");    // as the list's own folder is made
    QTest::addColumn<int>("failure");         // WriteFailure::Code; -1: stopped, none told

    const QByteArray none;
    const QByteArray old("old");
    QTest::newRow("new file") << "tab.csv"
                              << "whole" << none << false << int(WriteFailure::None);
    QTest::newRow("replaces a file") << "tab.csv"
                                     << "whole" << old << false << int(WriteFailure::None);
    QTest::newRow("fails half-way") << "tab.csv"
                                    << "fails" << none << false << int(WriteFailure::NotWritten);
    QTest::newRow("fails, keeps the old file")
        << "tab.csv"
        << "fails" << old << false << int(WriteFailure::NotWritten);
    QTest::newRow("cancelled, keeps the old file") << "tab.csv"
                                                   << "cancelled" << old << false << -1;
    QTest::newRow("never committed") << "tab.csv"
                                     << "dropped" << old << false << -1;
    QTest::newRow("a folder") << "folder"
                              << "whole" << none << false << int(WriteFailure::Folder);
    QTest::newRow("no such folder") << "missing/tab.csv"
                                    << "whole" << none << false << int(WriteFailure::CannotCreate);
    QTest::newRow("the list's folder made again")
        << "missing/list.xml"
        << "whole" << none << true << int(WriteFailure::None);
    QTest::newRow("the list's folder, fails")
        << "missing/list.xml"
        << "fails" << none << true << int(WriteFailure::NotWritten);
}

void TestTotals::failedSaveLeavesNoPartialFile()
{
    QFETCH(QString, target);
    QFETCH(QString, writing);
    QFETCH(QByteArray, previous);
    QFETCH(bool, makesFolder);
    QFETCH(int, failure);

    QTemporaryDir here;
    QVERIFY(here.isValid());
    QDir(here.path()).mkdir(QStringLiteral("folder"));
    const QString path = here.filePath(target);
    if (!previous.isEmpty()) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(previous);
    }
    const QStringList before = QDir(here.path()).entryList(QDir::AllEntries | QDir::Hidden);

    const QByteArray content = QByteArray("1;2\r\n").repeated(100000);
    WriteFailure why;
    bool saved = false;
    {
        SafeFile file(path,
                      makesFolder ? SafeFile::Folder::MakeIfMissing : SafeFile::Folder::MustExist);
        if (file.open(&why)) {
            file.device().write(content.left(content.size() / 2));
            if (writing == "whole")
                saved =
                    file.device().write(content.mid(content.size() / 2)) > 0 && file.commit(&why);
            else if (writing != "dropped")
                file.cancel(writing == "fails" ? &why : nullptr);
        }
    }

    QCOMPARE(saved, failure == WriteFailure::None);
    if (failure >= 0)
        QCOMPARE(int(why.code), failure);
    const QString folder = makesFolder ? QFileInfo(path).path() : here.path();
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden).size(),
             (makesFolder ? 2 : before.size()) + (saved && previous.isEmpty() ? 1 : 0));
    if (saved) {
        QCOMPARE(QFileInfo(path).size(), content.size());
        return;
    }
    QFile file(path);
    if (previous.isEmpty()) {
        QVERIFY(!file.exists() || QFileInfo(path).isDir());
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), previous);
    }
}

void TestTotals::periodHoldsTheEntriesOfItsDays_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("periods"); // those that hold it: T, M (this month), L (last), A

    const QDate ninth(2026, 12, 9);
    QTest::newRow("now") << ninth << "20261209T1432"
                         << "TMA";
    QTest::newRow("today's first minute") << ninth << "20261209T0000"
                                          << "TMA";
    QTest::newRow("yesterday's last minute") << ninth << "20261208T2359"
                                             << "MA";
    QTest::newRow("first of the month") << ninth << "20261201T0000"
                                        << "MA";
    QTest::newRow("last of last month") << ninth << "20261130T2359"
                                        << "LA";
    QTest::newRow("first of last month") << ninth << "20261101T0000"
                                         << "LA";
    QTest::newRow("two months ago") << ninth << "20261031T2359"
                                    << "A";
    QTest::newRow("same month a year ago") << ninth << "20251209T1432"
                                           << "A";
    QTest::newRow("tomorrow") << ninth << "20261210T0000"
                              << "MA";
    QTest::newRow("December in January") << QDate(2027, 1, 1) << "20261231T2359"
                                         << "LA";
    QTest::newRow("February from the 31st of March") << QDate(2028, 3, 31) << "20280229T1200"
                                                     << "LA";
    QTest::newRow("no date") << ninth << ""
                             << "A";
}

// Each period of export and print, by the day it is asked on.
void TestTotals::periodHoldsTheEntriesOfItsDays()
{
    QFETCH(QDate, today);
    QFETCH(QString, date);
    QFETCH(QString, periods);

    const Entry dated{"1,00", "23,00", "0,23", "1,23", date};
    const Entry other{"2,00", "23,00", "0,46", "2,46", "20000101T0000"};
    QString holding;
    for (Period::Kind kind : Period::kinds) {
        const EntryGroup rows = Period::rowsOf({other, dated, other}, kind, today);
        if (rows.contains(dated))
            holding += "TMLA"[kind];
        QCOMPARE(rows.count(other), kind == Period::All ? 2 : 0);
    }
    QCOMPARE(holding, periods);
}

QTEST_APPLESS_MAIN(TestTotals)
#include "tst_totals.moc"

#include "core/totals.h"
#include "list/listprinter.h"
#ifdef METRINO_XLSX
#include "list/xlsxexport.h"
#endif
#include "testsupport.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

namespace {

const QStringList headers = {"Αρχική Τιμή", "Ποσοστό Φ.Π.Α.", "Προστιθέμενη Τιμή", "Τελική Τιμή",
                             "Ημερομηνία"};
const QStringList business = {"Οινοποιία Παπαδόπουλος ΟΕ", "ΑΦΜ: 099999999",
                              "Ερμού 1, 10563 Αθήνα"};

// The text of a PDF file page by page, as pdftotext gets it back.
QStringList pdfPages(const QString &path)
{
    QProcess pdftotext;
    pdftotext.start(QStandardPaths::findExecutable("pdftotext"),
                    {"-enc", "UTF-8", "-layout", path, "-"});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
    if (pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// How many pages a PDF file has, counted by its page objects: enough where
// pdftotext is missing (Windows).
int pageCountOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    int count = 0;
    for (auto matches = page.globalMatch(QString::fromLatin1(file.readAll())); matches.hasNext();
         matches.next())
        ++count;
    return count;
}

#ifdef METRINO_XLSX
// A cell of a spreadsheet as a spreadsheet program reads it.
struct Cell {
    QString type; // "float", "date", "string", or empty for an empty cell
    QString value;
    QString text;
    QString formula;
};

// The first sheet of a workbook as LibreOffice reads it, converted headless
// to a flat OpenDocument file in the folder (with a profile of its own
// there); empty where it is not installed or fails.
QList<QList<Cell>> readByLibreOffice(const QString &workbook, const QString &folder)
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        return {};
    QProcess convert;
    convert.start(soffice,
                  {"-env:UserInstallation=" + QUrl::fromLocalFile(folder + "/profile").toString(),
                   "--headless", "--convert-to", "fods", "--outdir", folder, workbook});
    if (!convert.waitForFinished(100000) || convert.exitCode() != 0)
        return {};
    QFile file(folder + "/" + QFileInfo(workbook).completeBaseName() + ".fods");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QList<Cell>> rows;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd() && !(xml.isEndElement() && xml.name() == u"table")) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"table-row") {
            rows.append(QList<Cell>());
        } else if (xml.name() == u"table-cell" && !rows.isEmpty()) {
            const int repeated =
                qBound(1, attributes.value("table:number-columns-repeated").toInt(), 8);
            const Cell cell{attributes.value("office:value-type").toString(),
                            attributes
                                .value(attributes.hasAttribute("office:date-value")
                                           ? "office:date-value"
                                           : "office:value")
                                .toString(),
                            QString(), attributes.value("table:formula").toString()};
            for (int i = 0; i < repeated; ++i)
                rows.last().append(cell);
        } else if (xml.name() == u"p" && !rows.isEmpty() && !rows.last().isEmpty()) {
            rows.last().last().text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    return rows;
}

qint64 centsOf(const Cell &cell)
{
    return qRound64(cell.value.toDouble() * 100);
}
#endif

} // namespace

// A tab printed or written as PDF, read back as a reader of the file would.
class TestListPrinter : public QObject
{
    Q_OBJECT

private slots:
    void printsEveryPageWithItsHeadings_data();
    void printsEveryPageWithItsHeadings();
    void writesAWorkbookThatSpreadsheetsRead_data();
    void writesAWorkbookThatSpreadsheetsRead();
};

void TestListPrinter::printsEveryPageWithItsHeadings_data()
{
    QTest::addColumn<bool>("throughPrinter"); // QPrinter to a PDF, or the PDF writer
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QStringList>("business");

    QTest::newRow("empty tab") << false << 0 << QStringList();
    QTest::newRow("one page") << false << 3 << QStringList();
    QTest::newRow("several pages, with the business") << false << 150 << business;
    QTest::newRow("printer") << true << 150 << QStringList();
}

void TestListPrinter::printsEveryPageWithItsHeadings()
{
    QFETCH(bool, throughPrinter);
    QFETCH(int, rowCount);
    QFETCH(QStringList, business);

    ListPrinter::Content content;
    content.tabTitle = "23%";
    content.headers = headers;
    content.business = business;
    for (int i = 0; i < rowCount; ++i) {
        const QString price = QString::number(100 + i) + ",00";
        content.rows << Entry{price, "23,00", "23,00", price, "20261208T0905"};
    }
    // The list file is foreign input: its texts are printed as they are.
    if (rowCount > 0)
        content.rows << Entry{"=cmd|' /C calc'!A0", "23,00", "", ""};
    content.totals = rowCount > 0
                         ? QStringList{"151 εγγραφές", "Αρχική 26.175,00", "Φ.Π.Α. 3.450,00",
                                       "Τελική 26.175,00", "1 χωρίς ποσό"}
                         : QStringList{"Καμία εγγραφή"};
    content.date = QDate(2026, 12, 8);
    const ListPrinter printer(content, QLocale(QLocale::Greek, QLocale::Greece));

    QTemporaryDir here;
    const QString path = here.filePath("list.pdf");
    if (throughPrinter) {
        QPrinter device(QPrinter::HighResolution);
        device.setOutputFormat(QPrinter::PdfFormat);
        device.setOutputFileName(path);
        ListPrinter::useA4(&device);
        QVERIFY(printer.print(&device));
    } else {
        QString reason;
        QVERIFY2(printer.writePdf(path, &reason), qPrintable(reason));
    }

    const int pageCount = pageCountOf(path);
    if (rowCount < 10)
        QCOMPARE(pageCount, 1);
    else
        QVERIFY(pageCount >= 3);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("reading the pages' text needs pdftotext (poppler-utils)");
    const QStringList pages = pdfPages(path);
    QCOMPARE(pages.size(), pageCount);
    for (int i = 0; i < pages.size(); ++i) {
        const QString page = pages.at(i).simplified();
        QVERIFY2(page.contains("Φ.Π.Α. μετρίνο: 23%"), qPrintable(page));
        QVERIFY(page.contains("8 Δεκεμβρίου 2026"));
        for (const QString &line : business)
            QVERIFY2(page.contains(line), qPrintable(line));
        QCOMPARE(page.contains("ΑΦΜ"), !business.isEmpty());
        QVERIFY(page.contains(QString("Σελίδα %1 από %2").arg(i + 1).arg(pages.size())));
        // The column titles head every page with rows.
        QVERIFY2(!page.contains("23,00") || page.contains(headers.join(' ')), qPrintable(page));
    }
    QVERIFY(pages.last().simplified().contains(content.totals.join(" · ")));
    if (rowCount > 0) {
        QVERIFY(pages.first().simplified().contains("100,00 23,00 23,00 100,00 8/12/2026 09:05"));
        QVERIFY(pages.last().simplified().contains("=cmd|' /C")); // cut to its column
    }
}

void TestListPrinter::writesAWorkbookThatSpreadsheetsRead_data()
{
    QTest::addColumn<QStringList>("business");
    QTest::addColumn<int>("rowCount"); // of the four below

    QTest::newRow("empty tab") << QStringList() << 0;
    QTest::newRow("rows") << QStringList() << 4;
    QTest::newRow("rows under the business") << business << 4;
}

// Numbers are numbers, dates dates, and the sums those of the totals line.
void TestListPrinter::writesAWorkbookThatSpreadsheetsRead()
{
#ifndef METRINO_XLSX
    QSKIP("built without libxlsxwriter");
#else
    QFETCH(QStringList, business);
    QFETCH(int, rowCount);

    ListPrinter::Content tab{"6.5%", headers, {}, {}};
    tab.business = business;
    tab.rows = EntryGroup{{"100,00", "23,00", "23,00", "123,00", "20261208T0905"},
                          {"1234,56", "13,00", "160,49", "1395,05"},
                          {"=cmd|' /C calc'!A0", "23,00", "1,00", "2,00"},
                          {"0,07", "6,50", "0,00", "0,07", "20261130T2359"}}
                   .first(rowCount);
    GroupTotals totals;
    for (const Entry &entry : tab.rows)
        totals.add(entry);
    QTemporaryDir here;
    const QString path = here.filePath("tab.xlsx");
    QString reason;
    QVERIFY2(XlsxExport::write(path, tab, &reason), qPrintable(reason));
    QVERIFY(QFile(path).size() > 0);
    QCOMPARE(QDir(here.path()).entryList(QDir::Files), QStringList{"tab.xlsx"});

    const QList<QList<Cell>> sheet = readByLibreOffice(path, here.path());
    if (sheet.isEmpty())
        QSKIP("reading the workbook back needs LibreOffice (soffice)");
    const int top = business.isEmpty() ? 0 : int(business.size()) + 1;
    for (int line = 0; line < business.size(); ++line)
        QCOMPARE(sheet.value(line).value(0).text, business.at(line));
    for (int column = 0; column < headers.size(); ++column)
        QCOMPARE(sheet.value(top).value(column).text, headers.at(column));
    for (int row = 0; row < rowCount; ++row) {
        const Entry &entry = tab.rows.at(row);
        const QList<Cell> cells = sheet.value(top + 1 + row);
        const auto cents = Totals::readCents(entry.poso);
        QCOMPARE(cells.value(0).type, QString(cents ? "float" : "string"));
        QCOMPARE(cents ? centsOf(cells.value(0)) : 0, cents.value_or(0));
        if (!cents)
            QCOMPARE(cells.value(0).text, entry.poso); // as text, never a formula
        QCOMPARE(cells.value(1).type, "float");
        QCOMPARE(cells.value(4).type, QString(entry.date.isEmpty() ? "" : "date"));
        QCOMPARE(QDateTime::fromString(cells.value(4).value, Qt::ISODate),
                 QDateTime::fromString(entry.date, "yyyyMMddTHHmm"));
    }
    const QList<Cell> sums = sheet.value(top + 1 + rowCount);
    QCOMPARE(sums.value(1).text, "Σύνολο");
    const qint64 expected[] = {totals.posoCents(), 0, totals.extraPosoCents(),
                               totals.finalPosoCents()};
    for (int column : {0, 2, 3}) {
        QCOMPARE(sums.value(column).type, "float");
        QCOMPARE(centsOf(sums.value(column)), expected[column]);
        QCOMPARE(sums.value(column).formula.contains("SUM"), rowCount > 0);
    }
#endif
}

METRINO_TEST_MAIN(TestListPrinter)
#include "tst_listprinter.moc"

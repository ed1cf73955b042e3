#include "list/listprinter.h"
#include "testsupport.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QStringList headers = {"Αρχική Τιμή", "Ποσοστό Φ.Π.Α.", "Προστιθέμενη Τιμή", "Τελική Τιμή"};

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

} // namespace

// A tab printed or written as PDF, read back as a reader of the file would.
class TestListPrinter : public QObject
{
    Q_OBJECT

private slots:
    void printsEveryPageWithItsHeadings_data();
    void printsEveryPageWithItsHeadings();
};

void TestListPrinter::printsEveryPageWithItsHeadings_data()
{
    QTest::addColumn<bool>("throughPrinter"); // QPrinter to a PDF, or the PDF writer
    QTest::addColumn<int>("rowCount");

    QTest::newRow("empty tab") << false << 0;
    QTest::newRow("one page") << false << 3;
    QTest::newRow("several pages") << false << 150;
    QTest::newRow("printer") << true << 150;
}

void TestListPrinter::printsEveryPageWithItsHeadings()
{
    QFETCH(bool, throughPrinter);
    QFETCH(int, rowCount);

    ListPrinter::Content content;
    content.tabTitle = "23%";
    content.headers = headers;
    for (int i = 0; i < rowCount; ++i) {
        const QString price = QString::number(100 + i) + ",00";
        content.rows << Entry{price, "23,00", "23,00", price};
    }
    // The list file is foreign input: its texts are printed as they are.
    if (rowCount > 0)
        content.rows << Entry{"=cmd|' /C calc'!A0", "23,00", "", ""};
    content.totals = rowCount > 0 ? "151 εγγραφές · Αρχική 26.175,00 · Φ.Π.Α. 3.450,00 · "
                                    "Τελική 26.175,00 · 1 χωρίς ποσό"
                                  : "Καμία εγγραφή";
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
        QVERIFY(page.contains(QString("Σελίδα %1 από %2").arg(i + 1).arg(pages.size())));
        // The column titles head every page with rows.
        QVERIFY(!page.contains("23,00") || page.contains(headers.join(' ')));
    }
    QVERIFY(pages.last().simplified().contains(content.totals));
    if (rowCount > 0) {
        QVERIFY(pages.first().simplified().contains("100,00 23,00 23,00 100,00"));
        QVERIFY(pages.last().simplified().contains("=cmd|' /C calc'!A0 23,00"));
    }
}

METRINO_TEST_MAIN(TestListPrinter)
#include "tst_listprinter.moc"

#include "core/rateset.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(RateSet)

namespace {

// The rates as their settings line shows them, for readable failures.
QString describe(const RateSet &rates)
{
    return rates.toSettingsValue().toStringList().join(QStringLiteral(", "));
}

} // namespace

// The preset rates: their texts, and how they are kept in the settings file.
class TestRateSet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writesRateTexts_data();
    void writesRateTexts();
    void readsSettingsFile_data();
    void readsSettingsFile();
    void writesSettingsFile();
    void findsRatesToTheHundredth();
};

// The texts must not follow the user's locale: they are "6.5%" in Greek too.
void TestRateSet::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
}

void TestRateSet::writesRateTexts_data()
{
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 2400 << "24%";
    QTest::newRow("one decimal") << 650 << "6.5%";
    QTest::newRow("two decimals") << 625 << "6.25%";
    QTest::newRow("zero tenths") << 605 << "6.05%";
    QTest::newRow("trailing zero") << 1010 << "10.1%";
    QTest::newRow("lowest") << 1 << "0.01%";
    QTest::newRow("highest") << 9999 << "99.99%";
}

void TestRateSet::writesRateTexts()
{
    QFETCH(int, hundredths);
    QFETCH(QString, text);
    QCOMPARE(RateSet::percentText(hundredths), text);
}

// What a settings file holds under the key, as its line reads (no line: the
// key is missing), and the rates that it gives.
void TestRateSet::readsSettingsFile_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<RateSet>("rates");

    const RateSet defaults = RateSet::until2015();
    QTest::newRow("good") << QByteArray("rates=24, 13, 6, 17, 9, 4") << RateSet::from2016();
    QTest::newRow("decimals") << QByteArray("rates=24, 13, 6.25, 17, 9.5, 0.01")
                              << RateSet({2400, 1300, 625, 1700, 950, 1});
    QTest::newRow("highest") << QByteArray("rates=99.99,13,6,17,9,4")
                             << RateSet({9999, 1300, 600, 1700, 900, 400});
    QTest::newRow("quoted by hand")
        << QByteArray("rates=\"24, 13, 6, 17, 9, 4\"") << RateSet::from2016();
    QTest::newRow("missing") << QByteArray() << defaults;
    QTest::newRow("empty") << QByteArray("rates=") << defaults;
    QTest::newRow("five numbers") << QByteArray("rates=24, 13, 6, 17, 9") << defaults;
    QTest::newRow("seven numbers") << QByteArray("rates=24, 13, 6, 17, 9, 4, 4.5") << defaults;
    QTest::newRow("equal rates") << QByteArray("rates=24, 13, 6, 17, 13, 4") << defaults;
    QTest::newRow("equal to the hundredth")
        << QByteArray("rates=24, 13, 6, 17, 9, 6.00") << defaults;
    QTest::newRow("0") << QByteArray("rates=0, 13, 6, 17, 9, 4") << defaults;
    QTest::newRow("100") << QByteArray("rates=100, 13, 6, 17, 9, 4") << defaults;
    QTest::newRow("negative") << QByteArray("rates=24, 13, -6, 17, 9, 4") << defaults;
    QTest::newRow("three decimals") << QByteArray("rates=24, 13, 6.505, 17, 9, 4") << defaults;
    QTest::newRow("comma as decimal point")
        << QByteArray("rates=24, 13, \"6,5\", 17, 9, 4") << defaults;
    QTest::newRow("comma grouping thousands")
        << QByteArray("rates=24, 13, \"0,050\", 17, 9, 4") << defaults;
    QTest::newRow("text") << QByteArray("rates=24, 13, six, 17, 9, 4") << defaults;
    QTest::newRow("not a number") << QByteArray("rates=24, 13, nan, 17, 9, 4") << defaults;
    QTest::newRow("infinite") << QByteArray("rates=24, 13, inf, 17, 9, 4") << defaults;
    QTest::newRow("bytes") << QByteArray("rates=@ByteArray(24)") << defaults;
}

void TestRateSet::readsSettingsFile()
{
    QFETCH(QByteArray, line);
    QFETCH(RateSet, rates);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("metrino.conf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[General]\ngeometry=@ByteArray()\n" + line + '\n');
    file.close();

    const QSettings settings(path, QSettings::IniFormat);
    QCOMPARE(describe(RateSet::load(settings)), describe(rates));
}

// The line that a user who opens the file finds, and that the reader takes.
void TestRateSet::writesSettingsFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("metrino.conf"));
    {
        QSettings settings(path, QSettings::IniFormat);
        RateSet({2400, 1300, 625, 1700, 950, 1}).save(settings);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Windows ends the lines with CR LF.
    const QByteArray written = file.readAll().replace("\r\n", "\n");
    QVERIFY2(written.contains("\nrates=24, 13, 6.25, 17, 9.5, 0.01\n"),
             "the rates are not written as six numbers with \".\"");
}

void TestRateSet::findsRatesToTheHundredth()
{
    const RateSet rates = RateSet::from2016();
    QCOMPARE(rates.indexOf(24), 0);
    QCOMPARE(rates.indexOf(6.0), 2);
    QCOMPARE(rates.indexOf(4), 5);
    QCOMPARE(rates.indexOf(24.001), -1);
    QCOMPARE(rates.indexOf(23), -1);
    QCOMPARE(rates.indexOf(std::nan("")), -1);
}

QTEST_APPLESS_MAIN(TestRateSet)
#include "tst_rateset.moc"

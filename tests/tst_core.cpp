#include "about/version.h"
#include "app/formencoding.h"
#include "list/ratetabs.h"

#include <QtTest>

// The program's logic that needs no window, tested without an application
// object.
class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void routesRateTextsToTabs_data();
    void routesRateTextsToTabs();
    void comparesVersionsByNumber_data();
    void comparesVersionsByNumber();
    void encodesFormFieldsExactly_data();
    void encodesFormFieldsExactly();
};

void TestCore::routesRateTextsToTabs_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("tab");
    QTest::newRow("23") << "23,00" << 1;
    QTest::newRow("13") << "13,00" << 2;
    QTest::newRow("6.5") << "6,50" << 3;
    QTest::newRow("9") << "9,00" << 4;
    QTest::newRow("16") << "16,00" << 5;
    QTest::newRow("5") << "5,00" << 6;
    QTest::newRow("24") << "24,00" << RateTabs::otherRates;
    QTest::newRow("0.5") << "0,50" << RateTabs::otherRates;
    QTest::newRow("one decimal") << "23,0" << RateTabs::otherRates;
    QTest::newRow("dot") << "23.00" << RateTabs::otherRates;
    QTest::newRow("empty") << "" << RateTabs::otherRates;
}

void TestCore::routesRateTextsToTabs()
{
    QFETCH(QString, rate);
    QFETCH(int, tab);
    QCOMPARE(RateTabs::forRate(rate), tab);
}

void TestCore::comparesVersionsByNumber_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("expected");
    QTest::newRow("same") << "0.0.3" << int(Version::Same);
    QTest::newRow("0.0.4") << "0.0.4" << int(Version::ServerNewer);
    QTest::newRow("0.1") << "0.1" << int(Version::ServerNewer);
    QTest::newRow("1") << "1" << int(Version::ServerNewer);
    QTest::newRow("1.0.0") << "1.0.0" << int(Version::ServerNewer);
    QTest::newRow("numbers, not text") << "0.0.10" << int(Version::ServerNewer);
    QTest::newRow("fourth number ignored") << "0.0.3.7" << int(Version::Same);
    QTest::newRow("sign and blanks accepted") << " +0.0. 4" << int(Version::ServerNewer);
    QTest::newRow("line feed in the last part") << "0.0.4\n" << int(Version::ServerNewer);
    QTest::newRow("missing third number") << "0.0" << int(Version::ServerOlder);
    QTest::newRow("older") << "0.0.2" << int(Version::ServerOlder);
    QTest::newRow("not a number") << "0.0.4b" << int(Version::ServerOlder);
    QTest::newRow("empty") << "" << int(Version::ServerOlder);
}

void TestCore::comparesVersionsByNumber()
{
    QFETCH(QString, server);
    QFETCH(int, expected);
    QCOMPARE(int(Version::compare(server, QStringLiteral("0.0.3"))), expected);
}

void TestCore::encodesFormFieldsExactly_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("plain") << "Hello there" << QByteArray("message=Hello%20there&version=0.0.3");
    QTest::newRow("form characters, line feed and Greek")
        << QStringLiteral("a&version=9.9.9+b%20=c\nΓειά")
        << QByteArray("message=a%26version%3D9.9.9%2Bb%2520%3Dc%0A%CE%93%CE%B5%CE%B9%CE%AC"
                      "&version=0.0.3");
    QTest::newRow("empty") << "" << QByteArray("message=&version=0.0.3");
}

void TestCore::encodesFormFieldsExactly()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, body);
    QCOMPARE(FormEncoding::encode({{QStringLiteral("message"), message},
                                   {QStringLiteral("version"), QStringLiteral("0.0.3")}}),
             body);
}

QTEST_APPLESS_MAIN(TestCore)
#include "tst_core.moc"

#include "core/formencoding.h"
#include "core/ratetabs.h"
#include "core/version.h"

#include <QtTest>

Q_DECLARE_METATYPE(RateSet)

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

// An entry is filed by the value of its rate, in the locale's own writing or
// in another's.
void TestCore::routesRateTextsToTabs_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("tab");
    QTest::addColumn<RateSet>("rates");

    const QLocale greek(QLocale::Greek, QLocale::Greece);
    const RateSet until2015 = RateSet::until2015();
    QTest::newRow("23") << greek << "23,00" << 1 << until2015;
    QTest::newRow("13") << greek << "13,00" << 2 << until2015;
    QTest::newRow("6.5") << greek << "6,50" << 3 << until2015;
    QTest::newRow("9") << greek << "9,00" << 4 << until2015;
    QTest::newRow("16") << greek << "16,00" << 5 << until2015;
    QTest::newRow("5") << greek << "5,00" << 6 << until2015;
    QTest::newRow("24") << greek << "24,00" << RateTabs::otherRates << until2015;
    QTest::newRow("0.5") << greek << "0,50" << RateTabs::otherRates << until2015;
    QTest::newRow("23.001") << greek << "23,001" << RateTabs::otherRates << until2015;
    QTest::newRow("one decimal") << greek << "23,0" << 1 << until2015;
    QTest::newRow("dot") << greek << "23.00" << 1 << until2015;
    QTest::newRow("empty") << greek << "" << RateTabs::otherRates << until2015;
    QTest::newRow("not a number") << greek << "23%" << RateTabs::otherRates << until2015;

    const struct {
        const char *name;
        QLocale locale;
    } dotLocales[] = {{"English", QLocale(QLocale::English, QLocale::UnitedStates)},
                      {"C", QLocale::c()}};
    const std::pair<const char *, int> presets[] = {{"23.00", 1}, {"13.00", 2}, {"6.50", 3},
                                                    {"9.00", 4},  {"16.00", 5}, {"5.00", 6}};
    for (const auto &[name, locale] : dotLocales) {
        for (const auto &[text, tab] : presets)
            QTest::addRow("%s %s", name, text) << locale << text << tab << until2015;
        QTest::addRow("%s 24.00", name) << locale << "24.00" << RateTabs::otherRates << until2015;
        QTest::addRow("%s comma", name) << locale << "6,50" << 3 << until2015;
    }

    // Under the rates that the list is given, not those of a form.
    const RateSet from2016 = RateSet::from2016();
    QTest::newRow("24 from 2016") << greek << "24,00" << 1 << from2016;
    QTest::newRow("23 from 2016") << greek << "23,00" << RateTabs::otherRates << from2016;
    QTest::newRow("17 from 2016") << greek << "17,00" << 5 << from2016;
    QTest::newRow("6 from 2016") << greek << "6,00" << 3 << from2016;
    QTest::newRow("6.5 from 2016") << greek << "6,50" << RateTabs::otherRates << from2016;
}

void TestCore::routesRateTextsToTabs()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, rate);
    QFETCH(int, tab);
    QFETCH(RateSet, rates);
    QCOMPARE(RateTabs::forRate(rate, rates, locale), tab);
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

#include "core/vat.h"

#include <QtTest>

using Vat::Direction;

class TestVat : public QObject
{
    Q_OBJECT

private slots:
    void knownResults_data();
    void knownResults();
    void roundsHalfUpAndAddsUpOverASweep();
};

void TestVat::knownResults_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<double>("rate");
    QTest::addColumn<bool>("extract");
    QTest::addColumn<double>("vat");
    QTest::addColumn<double>("result");

    QTest::newRow("add 100 at 23") << 100.0 << 23.0 << false << 23.0 << 123.0;
    QTest::newRow("extract 123 at 23") << 123.0 << 23.0 << true << 23.0 << 100.0;
    QTest::newRow("add 123 at 23") << 123.0 << 23.0 << false << 28.29 << 151.29;
    QTest::newRow("add 200 at 6.5") << 200.0 << 6.5 << false << 13.0 << 213.0;
    QTest::newRow("extract 106.5 at 6.5") << 106.5 << 6.5 << true << 6.5 << 100.0;
    QTest::newRow("rate 0") << 57.31 << 0.0 << false << 0.0 << 57.31;
    QTest::newRow("price 0") << 0.0 << 23.0 << false << 0.0 << 0.0;
    QTest::newRow("largest inputs") << 999999.0 << 99.99 << false << 999899.0 << 1999898.0;
    QTest::newRow("largest extract") << 999999.0 << 99.99 << true << 499974.5 << 500024.5;
    // Amounts that binary rounding of each box on its own got wrong.
    QTest::newRow("1.00 at 6.5 adds up") << 1.0 << 6.5 << false << 0.07 << 1.07;
    QTest::newRow("0.50 at 23 adds up") << 0.5 << 23.0 << false << 0.12 << 0.62;
    QTest::newRow("0.30 at 5 rounds half up") << 0.3 << 5.0 << false << 0.02 << 0.32;
    QTest::newRow("extract 1.00 at 23") << 1.0 << 23.0 << true << 0.19 << 0.81;
}

void TestVat::knownResults()
{
    QFETCH(double, price);
    QFETCH(double, rate);
    QFETCH(bool, extract);
    QFETCH(double, vat);
    QFETCH(double, result);

    const auto amounts =
        Vat::compute(price, rate, extract ? Direction::ExtractVat : Direction::AddVat);
    QCOMPARE(amounts.vatCents, qRound64(vat * 100));
    QCOMPARE(amounts.resultCents, qRound64(result * 100));
}

// For every price up to 300.00 and every fixed rate: the VAT is the exact
// fraction rounded to the nearest cent with halves going up, and price, VAT
// and result add up to the cent.
void TestVat::roundsHalfUpAndAddsUpOverASweep()
{
    const int rates[] = {2300, 1300, 650, 1600, 900, 500}; // hundredths of a percent
    for (const int rate : rates) {
        for (qint64 price = 0; price <= 30000; ++price) {
            const double priceValue = price / 100.0;
            const double rateValue = rate / 100.0;

            const auto added = Vat::compute(priceValue, rateValue, Direction::AddVat);
            // 10000 * vat lies within half a cent of price * rate; a tie rounds up.
            const qint64 addError = 2 * (price * rate - added.vatCents * 10000);
            QVERIFY2(addError >= -10000 && addError < 10000,
                     qPrintable(QString("add %1 at %2").arg(priceValue).arg(rateValue)));
            QCOMPARE(added.resultCents, price + added.vatCents);

            const auto extracted = Vat::compute(priceValue, rateValue, Direction::ExtractVat);
            const qint64 divisor = 10000 + rate;
            const qint64 extractError = 2 * (price * rate - extracted.vatCents * divisor);
            QVERIFY2(extractError >= -divisor && extractError < divisor,
                     qPrintable(QString("extract %1 at %2").arg(priceValue).arg(rateValue)));
            QCOMPARE(extracted.resultCents + extracted.vatCents, price);
        }
    }
}

QTEST_APPLESS_MAIN(TestVat)
#include "tst_vat.moc"

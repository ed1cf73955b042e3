#include "calculator/rates.h"
#include "testsupport.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(RateSet)

namespace {

const QStringList rateNames = {"Κανονικός",        "Μειωμένος",        "Υπερμειωμένος",
                               "Νησιά: κανονικός", "Νησιά: μειωμένος", "Νησιά: υπερμειωμένος"};

// The rates dialog as a user sees it, reached through its object names.
struct RatesDialog {
    Rates dialog;

    explicit RatesDialog(const RateSet &current, Rates::MoveCounter countMoves = {})
        : dialog(current, std::move(countMoves))
    {
        dialog.show();
    }

    template <typename T = QWidget>
    T *widget(const char *name) const
    {
        return TestSupport::child<T>(&dialog, name);
    }
    QDoubleSpinBox *box(int position) const
    {
        const QByteArray name = "doubleSpinBox_rate_" + QByteArray::number(position + 1);
        return widget<QDoubleSpinBox>(name.constData());
    }
    QStringList shown() const
    {
        QStringList texts;
        for (int position = 0; position < RateSet::count; ++position)
            texts << box(position)->text();
        return texts;
    }
    QPushButton *ok() const
    {
        return widget<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Ok);
    }
    QString moves() const { return widget<QLabel>("label_moves")->text(); }

    // Types over the box's rate, as a user who tabbed into it would.
    void type(int position, const QString &text)
    {
        QDoubleSpinBox *target = box(position);
        target->setFocus(Qt::TabFocusReason);
        target->selectAll();
        QTest::keyClicks(target, text);
    }
};

} // namespace

class TestRates : public QObject
{
    Q_OBJECT

private slots:
    void isAModalDialogNamedForScreenReaders();
    void fillsTheRatesOfTheLaw_data();
    void fillsTheRatesOfTheLaw();
    void refusesEqualRates_data();
    void refusesEqualRates();
    void countsTheEntriesThatWouldMove_data();
    void countsTheEntriesThatWouldMove();
};

void TestRates::isAModalDialogNamedForScreenReaders()
{
    RatesDialog rates(RateSet::until2015());
    QCOMPARE(rates.dialog.objectName(), "Rates");
    QCOMPARE(rates.dialog.windowTitle(), "Φ.Π.Α. μετρίνο: Συντελεστές");
    QVERIFY(rates.dialog.isModal());
    for (int position = 0; position < RateSet::count; ++position) {
        QAccessibleInterface *box = QAccessible::queryAccessibleInterface(rates.box(position));
        QCOMPARE(box->text(QAccessible::Name), rateNames.at(position));
    }
    QCOMPARE(rates.shown(), QStringList({"23,00", "13,00", "6,50", "16,00", "9,00", "5,00"}));
}

void TestRates::fillsTheRatesOfTheLaw_data()
{
    QTest::addColumn<RateSet>("start");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<RateSet>("filled");
    QTest::addColumn<QStringList>("shown");

    const QStringList shown2011{"23,00", "13,00", "6,50", "16,00", "9,00", "5,00"};
    const QStringList shown2016{"24,00", "13,00", "6,00", "17,00", "9,00", "4,00"};
    QTest::newRow("until 2015") << RateSet::from2016() << QByteArray("pushButton_rates_2011")
                                << "Έως 2015" << RateSet::until2015() << shown2011;
    QTest::newRow("from 2016") << RateSet::until2015() << QByteArray("pushButton_rates_2016")
                               << "Από 2016" << RateSet::from2016() << shown2016;
}

void TestRates::fillsTheRatesOfTheLaw()
{
    QFETCH(RateSet, start);
    QFETCH(QByteArray, button);
    QFETCH(QString, buttonText);
    QFETCH(RateSet, filled);
    QFETCH(QStringList, shown);

    RatesDialog rates(start);
    auto *fill = rates.widget<QPushButton>(button.constData());
    QCOMPARE(fill->text(), buttonText);
    QTest::mouseClick(fill, Qt::LeftButton);
    QCOMPARE(rates.shown(), shown);
    QVERIFY(rates.ok()->isEnabled());
    QTest::mouseClick(rates.ok(), Qt::LeftButton);
    QCOMPARE(rates.dialog.result(), int(QDialog::Accepted));
    QVERIFY(rates.dialog.rates() == filled);
}

// Typed as the user types, over the default rates.
void TestRates::refusesEqualRates_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reason");

    const auto reason = [](int first, int second) {
        return "«" + rateNames.at(first) + "» και «" + rateNames.at(second)
               + "» δεν μπορούν να έχουν τον ίδιο συντελεστή.";
    };
    QTest::newRow("standard as reduced") << 0 << "13" << reason(0, 1);
    QTest::newRow("with a decimal point") << 5 << "6.5" << reason(2, 5);
    QTest::newRow("with a decimal comma") << 5 << "6,50" << reason(2, 5);
    QTest::newRow("different by a hundredth") << 5 << "6,51" << QString();
}

void TestRates::refusesEqualRates()
{
    QFETCH(int, position);
    QFETCH(QString, typed);
    QFETCH(QString, reason);

    RatesDialog rates(RateSet::until2015(), [](const RateSet &) { return 3; });
    rates.type(position, typed);
    auto *shownReason = rates.widget<QLabel>("label_equalRates");
    QCOMPARE(shownReason->isVisible() ? shownReason->text() : QString(), reason);
    QCOMPARE(rates.ok()->isEnabled(), reason.isEmpty());
    // No count of moves for rates that cannot be taken.
    QCOMPARE(rates.moves().isEmpty(), !reason.isEmpty());

    // Enter, or a call from elsewhere, does not take refused rates either.
    QTest::keyClick(rates.box(position), Qt::Key_Return);
    QCOMPARE(rates.dialog.isVisible(), !reason.isEmpty());
    rates.dialog.accept();
    QCOMPARE(rates.dialog.result() == QDialog::Accepted, reason.isEmpty());
}

// The counter is asked about the rates as they stand after each change.
void TestRates::countsTheEntriesThatWouldMove_data()
{
    QTest::addColumn<int>("moves");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << QString();
    const QString irreversible = "\n(δεν αναιρείται με Ctrl+Z)";
    QTest::newRow("one") << 1 << "1 εγγραφή θα μετακινηθεί σε άλλη καρτέλα" + irreversible;
    QTest::newRow("twelve") << 12 << "12 εγγραφές θα μετακινηθούν σε άλλη καρτέλα" + irreversible;
    QTest::newRow("thousands") << 50000
                               << "50.000 εγγραφές θα μετακινηθούν σε άλλη καρτέλα" + irreversible;
}

void TestRates::countsTheEntriesThatWouldMove()
{
    QFETCH(int, moves);
    QFETCH(QString, text);

    // Moves only for rates other than those the dialog started from.
    const RateSet start = RateSet::until2015();
    RatesDialog rates(start, [&](const RateSet &asked) { return asked == start ? 0 : moves; });
    QCOMPARE(rates.moves(), QString());

    QTest::mouseClick(rates.widget("pushButton_rates_2016"), Qt::LeftButton);
    QCOMPARE(rates.moves(), text);
    rates.type(0, "23");
    rates.type(2, "6,5");
    rates.type(3, "16");
    QCOMPARE(rates.moves(), text);
    rates.type(5, "5");
    QCOMPARE(rates.moves(), QString());
}

METRINO_TEST_MAIN(TestRates)
#include "tst_rates.moc"

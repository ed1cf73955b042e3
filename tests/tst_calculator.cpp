#include "calculator/mainwindow.h"
#include "calculatordriver.h"
#include "core/rateset.h"
#include "core/ratetabs.h"
#include "list/list.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QButtonGroup>
#include <QClipboard>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFontDatabase>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolTip>
#include <QWindow>
#include <QtTest>

namespace {

// A desktop with light text on dark grounds.
QPalette darkPalette()
{
    QPalette palette(QColor(53, 53, 53));
    palette.setColor(QPalette::Base, QColor(35, 35, 35));
    palette.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        palette.setColor(role, QColor(230, 230, 230));
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::Link, QColor(120, 170, 255));
    return palette;
}

// The contrast of two colours as readability guidelines define it, from 1 to 21.
double contrastRatio(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &colour) {
        const auto linear = [](double c) {
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
               + 0.0722 * linear(colour.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The memory the test program holds now, in KiB (0 where unknown).
qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

void pressCtrlL(MainWindow *window)
{
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window->findChild<QWidget *>("doubleSpinBox_poso"), Qt::Key_L,
                    Qt::ControlModifier);
}

} // namespace

class TestCalculator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startsEmptyAtItsFixedSize();
    void addsAndExtractsVat();
    void switchingModeRelabelsAndRecomputes();
    void presetRatesMatchTheForms();
    void rateButtonsWriteTheRateBox();
    void followsTheRatesTheUserSets_data();
    void followsTheRatesTheUserSets();
    void clickingTheShownRateEmitsNoRateChange();
    void addToListFollowsPriceAndRate();
    void largestInputsStayInRange();
    void decimalCommaShowsWhole_data();
    void decimalCommaShowsWhole();
    void readsBoxesInADotLocale_data();
    void readsBoxesInADotLocale();
    void takesATypedDotAsTheDecimalPoint();
    void readsTypedAndPastedAmountsInAnyLocale_data();
    void readsTypedAndPastedAmountsInAnyLocale();
    void typingReplacesTheAmountThatHasTheFocus();
    void finalAmountIsReadableOnADarkPalette();
    void announcesEveryControlByName();
    void pressesButtonsFromTheKeyboard();
    void commandKeysWorkFromTheNumberBoxes_data();
    void commandKeysWorkFromTheNumberBoxes();
    void tabChainFollowsTheForm();
    void dialogsAreMadeOncePerWindow_data();
    void dialogsAreMadeOncePerWindow();
    void geometrySurvivesARestartButModesDoNot();
    void copiesTheFinalAmountToTheCent_data();
    void copiesTheFinalAmountToTheCent();
    void staysOnTopAndBackWithTheSameFlags();
    void addToListRefusesZeroes();
    void addToListFilesNetRateVatGross();
    void addToListReopensAClosedList();
    void closingWritesTheList();
    void showsBeforeTheListIsMade();
    void ctrlLShowsTheListBesideTheCalculator_data();
    void ctrlLShowsTheListBesideTheCalculator();
    void listKeepsItsPlaceBetweenRuns();
    void everyImageResolvesWithItsSize_data();
    void everyImageResolvesWithItsSize();
    void imagePathsAreCaseSensitive();
};

// Every test starts with no saved list, in Greek.
void TestCalculator::init()
{
    QFile::remove(TestSupport::dataDirectory() + "/list.xml");
    QSettings().remove("rates");
    TestSupport::useGreekLocale();
}

void TestCalculator::startsEmptyAtItsFixedSize()
{
    Calculator calc;
    QCOMPARE(calc.window.windowTitle(), QString("Φ.Π.Α. μετρίνο"));
    QCOMPARE(calc.window.minimumSize(), QSize(220, 240));
    QCOMPARE(calc.window.maximumSize(), QSize(220, 240));
    QCOMPARE(calc.window.size(), QSize(220, 240));
    QVERIFY(!calc.window.windowIcon().isNull());

    QCOMPARE(calc.price()->text(), QString("0,00"));
    QCOMPARE(calc.rate()->text(), QString("23,00"));
    QCOMPARE(calc.results(), QString("0,00 / 0,00"));
    QVERIFY(calc.rateButton("radioButton_fpa")->isChecked());
    QVERIFY(!calc.addToList()->isEnabled());
    QVERIFY(!calc.button("pushButton_deFpa")->isChecked());
    QVERIFY(!calc.button("pushButton_toggle_ontop")->isChecked());

    // The result boxes can be neither edited nor stepped.
    for (QDoubleSpinBox *box : {calc.vat(), calc.finalAmount()}) {
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->buttonSymbols(), QAbstractSpinBox::NoButtons);
    }
    // The bottom row shows icons only; the tool tips tell what they do.
    const QStringList tips = {"Αντιγραφή Τελικού Ποσού στο Clipboard",
                              "Άνοιγμα Λίστας & Πρόσθεση Δεδομένων",
                              "Αποφορολόγηση",
                              "Επικοινωνία",
                              "Πληροφορίες - Σχετικά",
                              "Πάντα Στο Προσκήνιο"};
    const char *names[] = {"pushButton_clipBoard", "pushButton_add_to_list",
                           "pushButton_deFpa",     "pushButton_contact",
                           "pushButton_about",     "pushButton_toggle_ontop"};
    for (int i = 0; i < tips.size(); ++i) {
        QPushButton *button = calc.button(names[i]);
        QVERIFY2(button->toolTip().startsWith(tips[i]), qPrintable(button->toolTip()));
        QVERIFY(button->text().isEmpty());
        QVERIFY(!button->icon().isNull());
    }
}

void TestCalculator::addsAndExtractsVat()
{
    Calculator calc;
    calc.type(calc.price(), "100");
    QCOMPARE(calc.results(), QString("23,00 / 123,00"));

    calc.type(calc.price(), "123,45");
    QCOMPARE(calc.results(), QString("28,39 / 151,84"));

    calc.button("pushButton_deFpa")->click();
    calc.type(calc.price(), "106,5");
    calc.rateButton("radioButton_fpa_5")->click();
    QCOMPARE(calc.results(), QString("6,50 / 100,00"));

    // Cents that binary rounding would not add up: 1,00 at 6,5 %.
    calc.button("pushButton_deFpa")->click();
    calc.type(calc.price(), "1");
    QCOMPARE(calc.results(), QString("0,07 / 1,07"));
}

void TestCalculator::switchingModeRelabelsAndRecomputes()
{
    Calculator calc;
    calc.type(calc.price(), "123");
    QCOMPARE(calc.results(), QString("28,29 / 151,29"));
    QPushButton *deFpa = calc.button("pushButton_deFpa");

    deFpa->click();
    QCOMPARE(calc.results(), QString("23,00 / 100,00"));
    QCOMPARE(calc.label("label_3"), QString("Τελική Τιμή:"));
    QCOMPARE(calc.label("label_6"), QString("Αφαιρούμενη Τιμή:"));
    QCOMPARE(calc.label("label_7"), QString("Αρχική Τιμή:"));

    deFpa->click();
    QCOMPARE(calc.results(), QString("28,29 / 151,29"));
    QCOMPARE(calc.label("label_3"), QString("Αρχική Τιμή:"));
    QCOMPARE(calc.label("label_6"), QString("Προστιθέμενη Τιμή:"));
    QCOMPARE(calc.label("label_7"), QString("Τελική Τιμή:"));
}

// The preset rates are written once in the code; the forms carry their texts.
void TestCalculator::presetRatesMatchTheForms()
{
    Calculator calc;
    const auto *tabs = calc.list()->findChild<QTabWidget *>("tabWidget");
    QCOMPARE(tabs->count(), RateTabs::count);
    QCOMPARE(tabs->tabText(RateTabs::all), QStringLiteral("Όλα"));
    QCOMPARE(tabs->tabText(RateTabs::otherRates), QStringLiteral("Λοιπά"));

    const auto *group = calc.widget<QWidget>("radioButton_fpa")->parentWidget();
    QList<QRadioButton *> inLayoutOrder;
    for (int i = 0; i < group->layout()->count(); ++i) {
        if (auto *button = qobject_cast<QRadioButton *>(group->layout()->itemAt(i)->widget()))
            inLayoutOrder << button;
    }
    QCOMPARE(inLayoutOrder.size(), RateSet::count);
    // A first start shows the rates from 2011 to 2015; each button's id is
    // the place of its rate.
    const QStringList texts = {"23%", "13%", "6.5%", "16%", "9%", "5%"};
    const auto *buttons = calc.window.findChild<QButtonGroup *>("buttonGroup");
    for (int i = 0; i < RateSet::count; ++i) {
        QCOMPARE(buttons->id(inLayoutOrder.at(i)), i);
        QCOMPARE(inLayoutOrder.at(i)->text(), texts.at(i));
    }
    const QStringList tabTitles = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};
    for (int tab = 0; tab < tabs->count(); ++tab)
        QCOMPARE(tabs->tabText(tab), tabTitles.at(tab));
}

void TestCalculator::rateButtonsWriteTheRateBox()
{
    Calculator calc;
    calc.type(calc.price(), "200");
    calc.rateButton("radioButton_fpa_5")->click();
    QCOMPARE(calc.rate()->text(), QString("6,50"));
    QCOMPARE(calc.results(), QString("13,00 / 213,00"));

    const QList<QPair<const char *, QString>> buttons = {{"radioButton_fpa", "23,00"},
                                                         {"radioButton_fpa_3", "13,00"},
                                                         {"radioButton_fpa_2", "16,00"},
                                                         {"radioButton_fpa_4", "9,00"},
                                                         {"radioButton_fpa_6", "5,00"}};
    for (const auto &[name, shown] : buttons) {
        calc.rateButton(name)->click();
        QCOMPARE(calc.rate()->text(), shown);
    }

    // A typed rate leaves the checked button alone; clicking it puts its rate back.
    calc.rateButton("radioButton_fpa")->click();
    calc.type(calc.rate(), "10");
    QCOMPARE(calc.results(), QString("20,00 / 220,00"));
    QVERIFY(calc.rateButton("radioButton_fpa")->isChecked());
    calc.rateButton("radioButton_fpa")->click();
    QCOMPARE(calc.rate()->text(), QString("23,00"));
    QCOMPARE(calc.results(), QString("46,00 / 246,00"));
}

void TestCalculator::followsTheRatesTheUserSets_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("rate");           // as the rate box shows 24
    QTest::addColumn<QString>("typedFirstRate"); // none: "Από 2016"
    QTest::addColumn<QStringList>("buttonTexts");
    QTest::addColumn<QStringList>("tabTitles");

    const QLocale greek(QLocale::Greek, QLocale::Greece);
    const QStringList buttons2016 = {"24%", "13%", "6%", "17%", "9%", "4%"};
    const QStringList tabs2016 = {"Όλα", "24%", "13%", "6%", "9%", "17%", "4%", "Λοιπά"};
    QTest::newRow("Greek") << greek << "24,00" << QString() << buttons2016 << tabs2016;
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "24.00"
                             << QString() << buttons2016 << tabs2016;
    QTest::newRow("the first rate typed")
        << greek << "24,00"
        << "24" << QStringList{"24%", "13%", "6.5%", "16%", "9%", "5%"}
        << QStringList{"Όλα", "24%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};
}

// Ctrl+, opens the rates; "Από 2016" and OK retitle the buttons and tabs, put
// the checked button's new rate in the rate box and file by the new rates, now
// and after a restart.
void TestCalculator::followsTheRatesTheUserSets()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, rate);
    QFETCH(QString, typedFirstRate);
    QFETCH(QStringList, buttonTexts);
    QFETCH(QStringList, tabTitles);
    QLocale::setDefault(locale);
    const char *buttons[] = {"radioButton_fpa",   "radioButton_fpa_3", "radioButton_fpa_5",
                             "radioButton_fpa_2", "radioButton_fpa_4", "radioButton_fpa_6"};
    {
        Calculator calc;
        const QList<QAction *> actions = calc.window.actions();
        QVERIFY(std::any_of(actions.cbegin(), actions.cend(), [](const QAction *action) {
            return action->text() == "Συντελεστές Φ.Π.Α.…"
                   && action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Comma);
        }));
        QCOMPARE(calc.window.contextMenuPolicy(), Qt::ActionsContextMenu);

        calc.type(calc.price(), "100");
        calc.rateButton("radioButton_fpa")->click();
        calc.addToListCommand(); // on "23%", which becomes "24%"
        QTimer::singleShot(0, [typedFirstRate] {
            auto *rates = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(rates && rates->objectName() == "Rates");
            if (typedFirstRate.isEmpty()) {
                TestSupport::child<QPushButton>(rates, "pushButton_rates_2016")->click();
            } else {
                auto *first = TestSupport::child<QDoubleSpinBox>(rates, "doubleSpinBox_rate_1");
                first->selectAll();
                QTest::keyClicks(first, typedFirstRate);
            }
            rates->accept();
        });
        QVERIFY(QTest::qWaitForWindowActive(&calc.window));
        QTest::keyClick(calc.price(), Qt::Key_Comma, Qt::ControlModifier);
        // Once the list has followed them.
        QTRY_COMPARE(calc.rateButton(buttons[0])->text(), buttonTexts.at(0));

        const auto *tabs = calc.list()->findChild<QTabWidget *>("tabWidget");
        QCOMPARE(tabs->currentIndex(), RateTabs::otherRates); // where the 23% entry went
        for (int i = 0; i < RateSet::count; ++i)
            QCOMPARE(calc.rateButton(buttons[i])->text(), buttonTexts.at(i));
        for (int tab = 0; tab < tabs->count(); ++tab) {
            QCOMPARE(tabs->tabText(tab), tabTitles.at(tab));
            QCOMPARE(tabs->widget(tab)->findChild<QTableWidget *>()->accessibleName(),
                     tabTitles.at(tab));
        }
        QCOMPARE(calc.rate()->text(), rate);
        QCOMPARE(calc.results(),
                 locale.toString(24.0, 'f', 2) + " / " + locale.toString(124.0, 'f', 2));
        calc.addToListCommand();
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(calc.listRows("tableWidget_23").size(), 1);
        QCOMPARE(calc.listRows("tableWidget_loipa").size(), 1);
        calc.window.close();
    }

    // The rate box works at the checked button's saved rate from the start.
    Calculator restarted;
    for (int i = 0; i < RateSet::count; ++i)
        QCOMPARE(restarted.rateButton(buttons[i])->text(), buttonTexts.at(i));
    QVERIFY(restarted.rateButton("radioButton_fpa")->isChecked());
    QCOMPARE(restarted.rate()->text(), rate);
    restarted.type(restarted.price(), "100");
    QCOMPARE(restarted.results(),
             locale.toString(24.0, 'f', 2) + " / " + locale.toString(124.0, 'f', 2));
    QCOMPARE(restarted.listRows("tableWidget_23").size(), 1);
}

void TestCalculator::clickingTheShownRateEmitsNoRateChange()
{
    Calculator calc;
    calc.type(calc.price(), "50");
    QSignalSpy rateChanges(calc.rate(), &QDoubleSpinBox::valueChanged);
    calc.rateButton("radioButton_fpa")->click();
    QCOMPARE(rateChanges.count(), 0);
    QCOMPARE(calc.results(), QString("11,50 / 61,50"));
}

void TestCalculator::addToListFollowsPriceAndRate()
{
    Calculator calc;
    QPushButton *add = calc.addToList();
    QVERIFY(!add->isEnabled());

    calc.type(calc.price(), "5");
    QVERIFY(add->isEnabled());

    calc.type(calc.rate(), "0");
    QVERIFY(!add->isEnabled());
    QCOMPARE(calc.results(), QString("0,00 / 5,00"));

    calc.rateButton("radioButton_fpa_3")->click();
    QVERIFY(add->isEnabled());

    calc.button("pushButton_deFpa")->click();
    QVERIFY(add->isEnabled());

    calc.type(calc.price(), "0");
    QVERIFY(!add->isEnabled());
    QCOMPARE(calc.results(), QString("0,00 / 0,00"));

    // Both inputs back to non-zero, in the other order.
    calc.type(calc.rate(), "0");
    calc.type(calc.price(), "8");
    QVERIFY(!add->isEnabled());
    calc.type(calc.rate(), "24");
    QVERIFY(add->isEnabled());
}

void TestCalculator::largestInputsStayInRange()
{
    Calculator calc;
    calc.type(calc.price(), "999999");
    calc.type(calc.rate(), "99,99");
    QCOMPARE(calc.results(), QString("999899,00 / 1999898,00"));

    // More than a box takes is refused where it is typed, and said so: the
    // box keeps what it held.
    calc.type(calc.price(), "1250000");
    QCOMPARE(calc.price()->text(), QString("125000"));
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("Μέγιστο ποσό 999.999,00"));
    QToolTip::hideText();
    calc.type(calc.rate(), "100");
    QCOMPARE(calc.rate()->text(), QString("10"));
    QCOMPARE(QToolTip::text(), QString("Μέγιστος συντελεστής 99,99 %"));
}

void TestCalculator::decimalCommaShowsWhole_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize"); // of the desktop's font
    // Whatever fonts this machine has: some have taller lines than others.
    for (const QString &family : QFontDatabase::families()) {
        for (const int pointSize : {QApplication::font().pointSize(), 13})
            QTest::addRow("%s, %d pt", qPrintable(family), pointSize) << family << pointSize;
    }
}

// Each box is as high as a line of its text, so that the foot of the decimal
// comma shows, and stays whole inside the fixed window.
void TestCalculator::decimalCommaShowsWhole()
{
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    const QFont original = QApplication::font();
    QFont font(family);
    font.setPointSize(pointSize);
    QApplication::setFont(font);
    {
        TestSupport::ListOfTheRun run;
        MainWindow window(run.keeper);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const char *name : {"doubleSpinBox_poso", "doubleSpinBox_fpa",
                                 "doubleSpinBox_additional_poso", "doubleSpinBox_final_poso"}) {
            const auto *box = TestSupport::child<QDoubleSpinBox>(&window, name);
            const auto *field = box->findChild<QLineEdit *>();
            const int lineHeight = QFontMetrics(field->font()).height();
            QVERIFY2(field->height() >= lineHeight, qPrintable(QStringLiteral("%1: %2 of %3 px")
                                                                   .arg(name)
                                                                   .arg(field->height())
                                                                   .arg(lineHeight)));
            QVERIFY(box->parentWidget()->rect().contains(box->geometry()));
        }
    }
    QApplication::setFont(original);
}

void TestCalculator::readsBoxesInADotLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("C") << QLocale::c();
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates);
}

// The list files entries by the value of their rate, with the texts as shown.
void TestCalculator::readsBoxesInADotLocale()
{
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    Calculator calc;
    QCOMPARE(calc.rate()->text(), QString("23.00"));
    calc.type(calc.price(), "100");
    QCOMPARE(calc.results(), QString("23.00 / 123.00"));
    calc.addToList()->click();
    QCOMPARE(calc.listRows("tableWidget_23"), QStringList{"100.00|23.00|23.00|123.00"});

    calc.rateButton("radioButton_fpa_5")->click();
    calc.button("pushButton_deFpa")->click();
    QCOMPARE(calc.results(), QString("6.10 / 93.90"));
    calc.addToList()->click();
    QCOMPARE(calc.listRows("tableWidget_65"), QStringList{"93.90|6.50|6.10|100.00"});

    calc.type(calc.rate(), "24");
    calc.addToList()->click();
    QCOMPARE(calc.listRows("tableWidget_loipa"), QStringList{"80.65|24.00|19.35|100.00"});
    QCOMPARE(calc.listRows("tableWidget").size(), 3);
}

void TestCalculator::takesATypedDotAsTheDecimalPoint()
{
    Calculator calc;
    calc.type(calc.price(), "12.5");
    QCOMPARE(calc.price()->value(), 12.5);
    QCOMPARE(calc.results(), QString("2,88 / 15,38"));

    calc.price()->selectAll();
    QTest::keyClicks(calc.price(), "7");
    QTest::keyClick(calc.price(), Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(calc.price(), "25");
    QCOMPARE(calc.price()->value(), 7.25);

    calc.type(calc.price(), "12,5");
    QCOMPARE(calc.price()->value(), 12.5);

    calc.type(calc.rate(), "6.5");
    QCOMPARE(calc.rate()->value(), 6.5);
    QCOMPARE(calc.results(), QString("0,81 / 13,31"));
}

// "." and "," are both decimal points; when both appear, the last one is.
void TestCalculator::readsTypedAndPastedAmountsInAnyLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("pasted");

    const QLocale greek(QLocale::Greek, QLocale::Greece);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("English comma") << english << "12,5" << 12.5 << "12.50" << 12.5;
    QTest::newRow("C comma") << QLocale::c() << "12,5" << 12.5 << "12.50" << 12.5;
    QTest::newRow("English dot") << english << "12.5" << 12.5 << "12.50" << 12.5;
    QTest::newRow("Greek grouped") << greek << "1.234,56" << 1234.56 << "1234,56" << 1234.56;
    QTest::newRow("English grouped Greek-style")
        << english << "1.234,56" << 1234.56 << "1234.56" << 1234.56;
    QTest::newRow("Greek grouped English-style")
        << greek << "1,234.56" << 1234.56 << "1234,56" << 1234.56;
    QTest::newRow("English grouped") << english << "12,345.6" << 12345.6 << "12345.60" << 12345.6;
    QTest::newRow("two groups") << greek << "123.456,7" << 123456.7 << "123456,70" << 123456.7;
    // A third decimal is refused as it is typed, and a pasted one leaves the
    // amount as it was; it is never taken for grouping.
    QTest::newRow("Greek three decimals") << greek << "1.234" << 1.23 << "1,23" << 0.0;
    QTest::newRow("English three decimals") << english << "1,234" << 1.23 << "1.23" << 0.0;
    QTest::newRow("misplaced grouping") << english << "1.23,4" << 1.23 << "1.23" << 0.0;
}

void TestCalculator::readsTypedAndPastedAmountsInAnyLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, typed);
    QFETCH(double, value);
    QFETCH(QString, shown);
    QFETCH(double, pasted);

    QLocale::setDefault(locale);
    Calculator calc;
    QDoubleSpinBox *price = calc.price();
    price->setFocus();

    calc.type(price, typed);
    QCOMPARE(price->value(), value);
    QTest::keyClick(price, Qt::Key_Tab);
    QCOMPARE(price->text(), shown);

    calc.type(price, "0");
    QGuiApplication::clipboard()->setText(typed);
    price->setFocus();
    price->selectAll();
    QTest::keyClick(price, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(price, Qt::Key_Tab);
    QCOMPARE(price->value(), pasted);
}

// Right after start, and whenever a box gets the focus from the keyboard,
// typing replaces the amount; a click places the cursor.
void TestCalculator::typingReplacesTheAmountThatHasTheFocus()
{
    Calculator calc;
    QVERIFY(QTest::qWaitForWindowActive(&calc.window));
    QCOMPARE(QApplication::focusWidget(), calc.price());
    QTest::keyClicks(QApplication::focusWidget(), "100");
    QCOMPARE(calc.price()->value(), 100.0);
    QCOMPARE(calc.results(), QString("23,00 / 123,00"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "13");
    QCOMPARE(calc.rate()->value(), 13.0);

    auto *priceEdit = calc.price()->findChild<QLineEdit *>();
    QTest::mouseClick(priceEdit, Qt::LeftButton, {}, QPoint(4, priceEdit->height() / 2));
    QCOMPARE(QApplication::focusWidget(), calc.price());
    QVERIFY(!priceEdit->hasSelectedText());

    // Back from another window.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    calc.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&calc.window));
    QCOMPARE(priceEdit->selectedText(), QString("100,00"));
}

// The final amount keeps dark text on its white background whatever the
// desktop's colours.
void TestCalculator::finalAmountIsReadableOnADarkPalette()
{
    const QPalette desktop = QApplication::palette();
    QApplication::setPalette(darkPalette());
    {
        Calculator calc;
        calc.type(calc.price(), "100");
        const QImage shot = calc.finalAmount()->grab().toImage();
        QApplication::setPalette(desktop);

        const QColor background = shot.pixelColor(shot.width() / 2, 3);
        double contrast = 1;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x)
                contrast = qMax(contrast, contrastRatio(shot.pixelColor(x, y), background));
        }
        QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
        QCOMPARE(background, QColor(Qt::white));
    }
}

void TestCalculator::announcesEveryControlByName()
{
    Calculator calc;
    const auto nameOf = [](QWidget *widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    // A tool tip may add the command's key to the name.
    for (QPushButton *button : calc.widget("frame_3")->findChildren<QPushButton *>())
        QVERIFY2(button->toolTip().startsWith(nameOf(button)), qPrintable(button->toolTip()));
    QCOMPARE(nameOf(calc.button("pushButton_deFpa")), QString("Αποφορολόγηση"));

    QCOMPARE(nameOf(calc.price()), QString("Αρχική Τιμή"));
    QCOMPARE(nameOf(calc.rate()), QString("Ποσοστό Φ.Π.Α."));
    QCOMPARE(nameOf(calc.vat()), QString("Προστιθέμενη Τιμή"));
    QCOMPARE(nameOf(calc.finalAmount()), QString("Τελική Τιμή"));

    calc.type(calc.price(), "100");
    auto *finalBox = QAccessible::queryAccessibleInterface(calc.finalAmount());
    QCOMPARE(finalBox->text(QAccessible::Value), QString("123,00"));
    // The results are read out, not offered for typing.
    for (QDoubleSpinBox *box : {calc.vat(), calc.finalAmount()}) {
        QAccessibleInterface *result = QAccessible::queryAccessibleInterface(box);
        QVERIFY(result->state().readOnly);
        QVERIFY(!result->editableTextInterface());
        // Nor offered for stepping up and down.
        const QStringList actions =
            result->actionInterface() ? result->actionInterface()->actionNames() : QStringList();
        QVERIFY(!result->valueInterface());
        QCOMPARE(result->textInterface()->text(0, 6), box->text());
        QVERIFY(!actions.contains(QAccessibleActionInterface::increaseAction()));
        QVERIFY(!actions.contains(QAccessibleActionInterface::decreaseAction()));
    }
    QVERIFY(!QAccessible::queryAccessibleInterface(calc.price())->state().readOnly);

    // The names follow the labels when the mode changes.
    calc.button("pushButton_deFpa")->click();
    QCOMPARE(nameOf(calc.price()), QString("Τελική Τιμή"));
    QCOMPARE(nameOf(calc.vat()), QString("Αφαιρούμενη Τιμή"));
    QCOMPARE(nameOf(calc.finalAmount()), QString("Αρχική Τιμή"));
}

void TestCalculator::pressesButtonsFromTheKeyboard()
{
    Calculator calc;
    QPushButton *deFpa = calc.button("pushButton_deFpa");
    deFpa->setFocus();
    QTest::keyClick(deFpa, Qt::Key_Return);
    QVERIFY(deFpa->isChecked());
    QTest::keyClick(deFpa, Qt::Key_Space);
    QVERIFY(!deFpa->isChecked());

    calc.type(calc.price(), "100");
    QTest::keyClick(calc.addToList(), Qt::Key_Enter);
    QCOMPARE(calc.listRows("tableWidget_23"), QStringList{"100,00|23,00|23,00|123,00"});
}

void TestCalculator::commandKeysWorkFromTheNumberBoxes_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("button"); // whose tool tip names the key
    QTest::addColumn<QString>("keyName");
    QTest::addColumn<QString>("effect");

    const int ctrl = Qt::ControlModifier;
    QTest::newRow("Enter in the price adds")
        << "doubleSpinBox_poso" << int(Qt::Key_Return) << 0 << "pushButton_add_to_list"
        << "Enter"
        << "added";
    QTest::newRow("keypad Enter in the rate adds")
        << "doubleSpinBox_fpa" << int(Qt::Key_Enter) << int(Qt::KeypadModifier)
        << "pushButton_add_to_list"
        << "Enter"
        << "added";
    QTest::newRow("Ctrl+Shift+C copies") << "doubleSpinBox_poso" << int(Qt::Key_C)
                                         << int(ctrl | Qt::ShiftModifier) << "pushButton_clipBoard"
                                         << "Ctrl+Shift+C"
                                         << "copied";
    QTest::newRow("Ctrl+D de-taxes")
        << "doubleSpinBox_poso" << int(Qt::Key_D) << ctrl << "pushButton_deFpa"
        << "Ctrl+D"
        << "de-taxed";
    QTest::newRow("Ctrl+T keeps on top")
        << "doubleSpinBox_fpa" << int(Qt::Key_T) << ctrl << "pushButton_toggle_ontop"
        << "Ctrl+T"
        << "on top";
    // The rate buttons from top to bottom, from any box.
    const char *rateButtons[] = {"radioButton_fpa",   "radioButton_fpa_3", "radioButton_fpa_5",
                                 "radioButton_fpa_2", "radioButton_fpa_4", "radioButton_fpa_6"};
    const char *rates[] = {"23,00", "13,00", "6,50", "16,00", "9,00", "5,00"};
    for (int i = 0; i < 6; ++i) {
        QTest::addRow("Ctrl+%d picks a rate", i + 1)
            << (i % 2 ? "doubleSpinBox_final_poso" : "doubleSpinBox_fpa") << int(Qt::Key_1 + i)
            << ctrl << rateButtons[i] << QString("Ctrl+%1").arg(i + 1)
            << QString("rate ") + rates[i];
    }
    QTest::newRow("Shift+F10 in a result box offers the rates")
        << "doubleSpinBox_additional_poso" << int(Qt::Key_F10) << int(Qt::ShiftModifier) << ""
        << ""
        << "rates in its menu";
}

void TestCalculator::commandKeysWorkFromTheNumberBoxes()
{
    QFETCH(QString, box);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, button);
    QFETCH(QString, keyName);
    QFETCH(QString, effect);

    Calculator calc;
    QVERIFY(QTest::qWaitForWindowActive(&calc.window));
    calc.type(calc.price(), "100");
    QGuiApplication::clipboard()->clear();
    auto *target = calc.widget<QDoubleSpinBox>(qPrintable(box));
    target->setFocus();
    TestSupport::BoxAnswerer answerer;
    QString lastMenuEntry;
    QTimer menuCloser;
    QObject::connect(&menuCloser, &QTimer::timeout, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            lastMenuEntry = menu->actions().constLast()->text();
            menu->close();
        }
    });
    menuCloser.start(20);

    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::qWait(400); // a key's click shows for a moment before it acts

    if (!button.isEmpty())
        QVERIFY(calc.widget(qPrintable(button))->toolTip().contains(" (" + keyName + ")"));
    QCOMPARE(lastMenuEntry, effect == "rates in its menu" ? "Συντελεστές Φ.Π.Α.…" : "");
    if (effect.startsWith("rate ")) {
        QVERIFY(
            calc.widget(qPrintable(button))->toolTip().endsWith("\nCtrl+, : Συντελεστές Φ.Π.Α."));
        QCOMPARE(calc.rate()->text(), effect.mid(5));
        // Ready for the next amount.
        QVERIFY(calc.price()->hasFocus());
        QCOMPARE(calc.price()->findChild<QLineEdit *>()->selectedText(), calc.price()->text());
    }
    QCOMPARE(calc.listRows("tableWidget_23").size(), effect == "added" ? 1 : 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), effect == "copied" ? "123" : "");
    QCOMPARE(calc.button("pushButton_deFpa")->isChecked(), effect == "de-taxed");
    QCOMPARE(bool(calc.window.windowFlags() & Qt::WindowStaysOnTopHint), effect == "on top");
    // Typing goes on in the same box, or after an add in the price, selected
    // for the next one (a message box or a window shown again hands the focus
    // back through the window manager, which this platform lacks).
    if (effect == "de-taxed")
        QVERIFY(target->hasFocus());
    if (effect == "added") {
        QVERIFY(calc.price()->hasFocus());
        QCOMPARE(calc.price()->findChild<QLineEdit *>()->selectedText(), calc.price()->text());
    }
}

void TestCalculator::dialogsAreMadeOncePerWindow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("About") << "pushButton_about"
                           << "About";
    QTest::newRow("Contact") << "pushButton_contact"
                             << "Contact";
}

void TestCalculator::dialogsAreMadeOncePerWindow()
{
    QFETCH(QString, button);
    QFETCH(QString, dialog);
    Calculator calc;
    // The dialog shown by a press of the button, or null.
    const auto open = [&]() -> QDialog * {
        calc.button(qPrintable(button))->click();
        auto *shown = calc.window.findChild<QDialog *>(dialog);
        return shown && shown->isVisible() ? shown : nullptr;
    };
    QDialog *first = open();
    QVERIFY(first);
    first->close();
    const qint64 afterOne = residentKiB();

    for (int opened = 1; opened < 300; ++opened)
        open()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qInfo("memory after 300 opens: %+lld KiB against after one", residentKiB() - afterOne);

    QCOMPARE(calc.window.findChildren<QDialog *>(dialog).size(), 1);
    QCOMPARE(open(), first); // asked for again while open: the same, raised
    QCOMPARE(open(), first);

    if (dialog == "Contact") {
        // A message being written stays while the dialog is open; once it
        // is cancelled the dialog starts empty, as a new one would.
        auto *message = TestSupport::child<QTextEdit>(first, "textEdit");
        message->setPlainText("Μισό μήνυμα");
        QCOMPARE(open(), first);
        QCOMPARE(message->toPlainText(), QString("Μισό μήνυμα"));
        TestSupport::child<QPushButton>(first, "pushButton_4")->click();
        QCOMPARE(open(), first);
        QVERIFY(message->toPlainText().isEmpty());
        QCOMPARE(TestSupport::child<QLabel>(first, "label_6")->text(), QString("255"));
    }
}

void TestCalculator::tabChainFollowsTheForm()
{
    Calculator calc;
    const QStringList expected = {
        "doubleSpinBox_poso",       "doubleSpinBox_fpa",      "doubleSpinBox_additional_poso",
        "doubleSpinBox_final_poso", "radioButton_fpa",        "radioButton_fpa_3",
        "radioButton_fpa_5",        "radioButton_fpa_4",      "radioButton_fpa_6",
        "pushButton_clipBoard",     "pushButton_add_to_list", "pushButton_contact",
        "pushButton_about",         "pushButton_toggle_ontop"};

    QStringList chain;
    QWidget *widget = calc.price();
    do {
        if (widget->focusPolicy() & Qt::TabFocus && expected.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != calc.price());
    QCOMPARE(chain, expected);
}

void TestCalculator::geometrySurvivesARestartButModesDoNot()
{
    QPoint placedAt;
    {
        Calculator calc;
        calc.window.move(140, 90);
        placedAt = calc.window.pos();
        calc.type(calc.price(), "12");
        calc.button("pushButton_deFpa")->click();
        calc.rateButton("radioButton_fpa_3")->click();
        calc.window.close();
    }
    Calculator again;
    QCOMPARE(again.window.pos(), placedAt);
    QCOMPARE(again.window.size(), QSize(220, 240));
    QCOMPARE(again.price()->text(), QString("0,00"));
    QCOMPARE(again.rate()->text(), QString("23,00"));
    QVERIFY(!again.button("pushButton_deFpa")->isChecked());
}

void TestCalculator::copiesTheFinalAmountToTheCent_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("copied");
    const QLocale greek(QLocale::Greek, QLocale::Greece);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("whole") << greek << 123.0 << "123";
    QTest::newRow("one decimal") << greek << 12.5 << "12,5";
    QTest::newRow("five digits") << greek << 12345.67 << "12345,67";
    QTest::newRow("millions") << greek << 1234567.89 << "1234567,89";
    QTest::newRow("just below a million") << greek << 999999.99 << "999999,99";
    QTest::newRow("cents") << greek << 0.07 << "0,07";
    QTest::newRow("negative") << greek << -12.3 << "-12,3";
    QTest::newRow("English") << english << 12345.67 << "12345.67";
    QTest::newRow("English, negative") << english << -61.5 << "-61.5";
}

// As a spreadsheet in the desktop's language reads a pasted number: its
// decimal point, no grouping.
void TestCalculator::copiesTheFinalAmountToTheCent()
{
    QFETCH(QLocale, locale);
    QFETCH(double, amount);
    QFETCH(QString, copied);
    QLocale::setDefault(locale);

    Calculator calc;
    calc.finalAmount()->setValue(amount);
    TestSupport::BoxAnswerer answerer;
    calc.button("pushButton_clipBoard")->click();
    QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), copied);
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, QString("Αντιγραφή στο Clipboard"));
    QCOMPARE(answerer.seen[0].text, QString("Η τελική τιμή έχει αντιγραφεί στο Clipboard"));
    QCOMPARE(answerer.seen[0].buttons.size(), 1);
}

void TestCalculator::staysOnTopAndBackWithTheSameFlags()
{
    Calculator calc;
    const Qt::WindowFlags before = calc.window.windowFlags();
    QPushButton *onTop = calc.button("pushButton_toggle_ontop");

    onTop->click();
    QVERIFY(calc.window.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(calc.window.windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(calc.window.isVisible());

    onTop->click();
    QCOMPARE(calc.window.windowFlags(), before);
    QVERIFY(calc.window.isVisible());
}

void TestCalculator::addToListRefusesZeroes()
{
    Calculator calc;
    QVERIFY(calc.list()->isHidden());
    {
        TestSupport::BoxAnswerer answerer;
        calc.addToListCommand();
        QVERIFY(calc.list()->isVisible());
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QString("Σφάλμα"));
        // "Tιμή" begins with a Latin T in this message.
        QCOMPARE(answerer.seen[0].text,
                 QString("Εισάγατε μηδενική T")
                     + QString("ιμή Προϊόντος. \n"
                               "Παρακαλώ ξαναδοκιμάστε.\nΣας ευχαριστώ πολύ."));
    }
    calc.type(calc.price(), "10");
    calc.type(calc.rate(), "0");
    {
        TestSupport::BoxAnswerer answerer;
        calc.addToListCommand();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].text, QString("Εισάγατε μηδενική Τιμή Φ.Π.Α. \n"
                                                "Παρακαλώ ξαναδοκιμάστε.\nΣας ευχαριστώ πολύ."));
    }
    QCOMPARE(calc.listRows("tableWidget"), QStringList());
}

void TestCalculator::addToListFilesNetRateVatGross()
{
    Calculator calc;
    calc.type(calc.price(), "100");
    calc.addToList()->click();
    QVERIFY(calc.list()->isVisible());

    calc.button("pushButton_deFpa")->click();
    calc.type(calc.price(), "123");
    calc.addToList()->click();

    const QStringList expected = {"100,00|23,00|23,00|123,00"};
    QCOMPARE(calc.listRows("tableWidget_23"), expected);
    QCOMPARE(calc.listRows("tableWidget"), expected);

    calc.rateButton("radioButton_fpa_5")->click();
    calc.addToList()->click();
    QCOMPARE(calc.listRows("tableWidget_65"), QStringList{"115,49|6,50|7,51|123,00"});
}

void TestCalculator::addToListReopensAClosedList()
{
    Calculator calc;
    calc.type(calc.price(), "10");
    calc.addToList()->click();
    calc.list()->close();
    QVERIFY(calc.list()->isHidden());

    calc.type(calc.price(), "20");
    calc.addToList()->click();
    QVERIFY(calc.list()->isVisible());
    QCOMPARE(calc.listRows("tableWidget_23").size(), 2);
}

void TestCalculator::closingWritesTheList()
{
    // Where the desktop's conventions put the user's data and settings, in
    // the toolkit's test locations and under the tests' own names (on
    // Windows, the settings in the tests' own INI file).
    const QString identity =
        QCoreApplication::organizationName() + "/" + QCoreApplication::applicationName();
#ifdef Q_OS_WIN
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(folder.startsWith(QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA")) + "/"));
    QVERIFY(folder.endsWith("/" + identity));
    const QString path = folder + "/list.xml";
#else
    const QString path = QDir::homePath() + "/.qttest/share/" + identity + "/list.xml";
#endif
    {
        Calculator calc;
        calc.type(calc.price(), "7");
        calc.addToList()->click();
        calc.window.close();
    }
#ifdef Q_OS_WIN
    // The tests keep their settings in an INI file, not in the registry.
    const QSettings settings;
    QCOMPARE(settings.format(), QSettings::IniFormat);
    QVERIFY(QFile::exists(settings.fileName()));
    QVERIFY(settings.contains("geometry"));
#else
    QVERIFY(QFile::exists(QDir::homePath() + "/.qttest/config/" + identity + ".conf"));
#endif
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains(
        "poso=\"7,00\" fpa=\"23,00\" extraPoso=\"1,61\" finalPoso=\"8,61\""));

    Calculator again;
    QCOMPARE(again.listRows("tableWidget_23"), QStringList{"7,00|23,00|1,61|8,61"});
}

void TestCalculator::showsBeforeTheListIsMade()
{
    const QString path = TestSupport::dataDirectory() + "/list.xml";
    {
        Calculator calc;
        calc.type(calc.price(), "3");
        calc.addToList()->click();
        calc.window.close();
    }
    const QByteArray saved = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QVERIFY(saved.contains("3,00"));

    // Closed before it was ever painted: the saved list is left as it was.
    {
        TestSupport::ListOfTheRun run;
        MainWindow window(run.keeper);
        window.show();
        QVERIFY(!window.findChild<QDialog *>("List"));
        window.close();
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), saved);

    // A command that needs the list before then makes it on the spot; the
    // entry joins the rows read once they are all in.
    TestSupport::ListOfTheRun run;
    MainWindow window(run.keeper);
    window.show();
    window.findChild<QDoubleSpinBox *>("doubleSpinBox_poso")->setValue(5);
    window.findChild<QPushButton *>("pushButton_add_to_list")->click();
    auto *list = window.findChild<QDialog *>("List");
    QVERIFY(list && list->isVisible());
    auto *rateTab = list->findChild<QTableWidget *>("tableWidget_23");
    QTRY_COMPARE(rateTab->rowCount(), 2);
}

// Ctrl+L shows the list window at any time, even before the list has been
// made; the first time it stands beside the calculator, not over it.
void TestCalculator::ctrlLShowsTheListBesideTheCalculator_data()
{
    QTest::addColumn<QPoint>("calculatorAt");
    QTest::addColumn<QString>("side");
    // The test screen is narrower than calculator and list side by side.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int listWidth = 641, room = 30; // room for the frames and a gap
    QTest::newRow("right") << QPoint(screen.right() - 220 - listWidth - room, screen.top() + 10)
                           << "right";
    QTest::newRow("left") << QPoint(screen.left() + listWidth + room, screen.top() + 10) << "left";
    QTest::newRow("below") << QPoint(screen.center().x() - 110, screen.top() + 10) << "below";
}

void TestCalculator::ctrlLShowsTheListBesideTheCalculator()
{
    QFETCH(QPoint, calculatorAt);
    QFETCH(QString, side);
    QSettings().remove("listGeometry");

    TestSupport::ListOfTheRun run;
    MainWindow window(run.keeper);
    window.move(calculatorAt);
    window.show();
    pressCtrlL(&window);
    auto *list = window.findChild<QDialog *>("List");
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->findChild<QTableWidget *>("tableWidget")->rowCount(), 0); // nothing added
    QCOMPARE(list->findChild<QTabWidget *>("tabWidget")->currentIndex(), RateTabs::all);
    // Not a dialog that the window system keeps above the calculator.
    QCOMPARE(list->windowType(), Qt::Window);
    QVERIFY(!list->windowHandle()->transientParent());

    const QRect calculator = window.frameGeometry();
    const QRect placed = list->frameGeometry();
    const QRect screen = window.screen()->availableGeometry();
    QVERIFY(!placed.intersects(calculator));
    QVERIFY(screen.contains(placed));
    if (side == "right")
        QVERIFY(placed.left() > calculator.right());
    else if (side == "left")
        QVERIFY(placed.right() < calculator.left());
    else
        QVERIFY(placed.top() > calculator.bottom());

    // A window of its own, which must not outlive the calculator.
    window.close();
    QTRY_VERIFY(!list->isVisible());
}

void TestCalculator::listKeepsItsPlaceBetweenRuns()
{
    QSettings().remove("listGeometry");
    QPoint movedTo;
    {
        Calculator calc;
        pressCtrlL(&calc.window);
        calc.list()->move(33, 44);
        movedTo = calc.list()->pos();
        calc.window.close();
    }
    {
        // Never shown in this run: the kept place stays as it was.
        Calculator calc;
        calc.window.close();
    }
    Calculator again;
    pressCtrlL(&again.window);
    QCOMPARE(again.list()->pos(), movedTo);
}

void TestCalculator::everyImageResolvesWithItsSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");

    const struct {
        const char *name;
        int width, height;
        const char *format;
    } images[] = {
        {"logo3.png", 84, 84, "png"},
        {"icon_clipboard.png", 32, 32, "png"},
        {"lista.png", 16, 16, "png"},
        {"defpa.png", 30, 20, "png"},
        {"contactus.png", 33, 23, "png"},
        {"Help-portal_about.png", 40, 40, "png"},
        {"always-on-top.png", 48, 48, "png"},
        {"update.png", 48, 48, "png"},
        {"about_vert_bar.png", 72, 245, "png"},
        {"people.png", 140, 140, "png"},
        {"paypal-donate.png", 32, 32, "png"},
        {"list.png", 32, 32, "png"},
        {"logo.png", 64, 64, "png"},
        {"money-sheet-11.png", 48, 48, "png"},
        {"geld.png", 64, 64, "png"},
        {"delete.png", 22, 22, "png"},
        {"clear.png", 32, 32, "png"},
        {"paypal_button.png", 48, 29, "png"},
        {"donate.gif", 40, 20, "gif"},
        {"Paypal_DonateButton.gif", 62, 31, "gif"},
    };
    for (const auto &image : images)
        QTest::newRow(image.name) << QString(image.name) << QSize(image.width, image.height)
                                  << QByteArray(image.format);
}

void TestCalculator::everyImageResolvesWithItsSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);

    QImageReader reader(":/images/" + name);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);

    // PNG header: colour type 6 is RGBA, 3 a palette; the clipboard icon is interlaced.
    QFile file(":/images/" + name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(32);
    if (format == "png") {
        const int colourType = head.at(25);
        QCOMPARE(colourType, name == "lista.png" ? 3 : 6);
        QCOMPARE(int(head.at(28)), name == "icon_clipboard.png" ? 1 : 0);
    } else {
        QVERIFY(head.startsWith("GIF89a"));
        QCOMPARE(head.at(10) & 0x87, 0x87); // a global table of 256 colours
    }
}

void TestCalculator::imagePathsAreCaseSensitive()
{
    QVERIFY(QFile::exists(":/images/Help-portal_about.png"));
    QVERIFY(!QFile::exists(":/images/help-portal_about.png"));
    QVERIFY(QPixmap(":/images/help-portal_about.png").isNull());
}

METRINO_TEST_MAIN(TestCalculator)
#include "tst_calculator.moc"

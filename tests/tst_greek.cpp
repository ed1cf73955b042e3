#include "about/about.h"
#include "calculator/mainwindow.h"
#include "calculator/rates.h"
#include "contact/contact.h"
#include "core/appinfo.h"
#include "list/list.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QtTest>

namespace {

// Latin words that the program's own texts contain on purpose.
// Keys are named as their caps read on Greek keyboards too, files by their
// kinds and patterns ("Αρχεία CSV (*.csv)"), and the printer's margins in "mm",
// the unit's symbol in Greek too.
const QStringList allowedLatinWords = {"Clipboard", "clipboard", "interface", "paypal", "email",
                                       "LGPL",      "Korvex",    "korvex",    "www",    "example",
                                       "Ctrl",      "Shift",     "Enter",     "Esc",    "CSV",
                                       "PDF",       "csv",       "pdf",       "mm"};

QString plain(const QString &text)
{
    const QString shown =
        Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    // A picture in rich text shows as itself, not as its placeholder.
    return QString(shown).remove(QLatin1Char('&')).remove(QChar::ObjectReplacementCharacter);
}

// The words of two or more Latin letters in the texts, except the allowed ones.
QStringList latinWords(const QStringList &texts)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    QStringList found;
    for (const QString &text : texts) {
        // A picture read out as the placeholder for an embedded object.
        if (text.contains(QChar::ObjectReplacementCharacter))
            found << "\uFFFC (in \"" + text + "\")";
        for (const auto &match : word.globalMatch(text)) {
            if (!allowedLatinWords.contains(match.captured()))
                found << match.captured() + " (in \"" + text + "\")";
        }
    }
    return found;
}

// Every text a window shows: its title, labels, buttons, tool tips, tab
// titles, table headers and number boxes.
QStringList visibleTexts(QWidget *window)
{
    QStringList texts{window->windowTitle()};
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *widget : widgets) {
        texts << widget->toolTip();
        if (auto *label = qobject_cast<QLabel *>(widget))
            texts << plain(label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            texts << plain(button->text());
        if (auto *box = qobject_cast<QMessageBox *>(widget))
            texts << box->text() << box->informativeText();
        if (auto *tabs = qobject_cast<QTabWidget *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        }
        if (auto *table = qobject_cast<QTableWidget *>(widget)) {
            for (int column = 0; column < table->columnCount(); ++column)
                texts << table->horizontalHeaderItem(column)->text();
        }
        if (auto *spinBox = qobject_cast<QAbstractSpinBox *>(widget))
            texts << spinBox->text();
        // What a screen reader says of it.
        if (QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget))
            texts << accessible->text(QAccessible::Name)
                  << accessible->text(QAccessible::Description);
    }
    texts.removeAll(QString());
    return texts;
}

void collectMenu(const QMenu *menu, QStringList &texts)
{
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator())
            continue;
        // A command's text ends in its shortcut after a tab, "Ctrl+Z": key
        // names as printed on the keys themselves, left as they are.
        texts << plain(action->text().section(QLatin1Char('\t'), 0, 0));
        if (action->menu())
            collectMenu(action->menu(), texts);
    }
}

// Right-clicks a widget and returns the commands of the menu it opens, which
// runs either modally (caught by a timer) or on its own (there afterwards).
QStringList contextMenuTexts(QWidget *target, QPoint at = QPoint(5, 5))
{
    QStringList texts;
    const auto takeMenu = [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            collectMenu(menu, texts);
            menu->close();
        }
    };
    QTimer watch;
    watch.setSingleShot(true);
    QObject::connect(&watch, &QTimer::timeout, takeMenu);
    watch.start(50);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    if (texts.isEmpty())
        takeMenu();
    return texts;
}

// The texts of the dialog that an action opens, which is then closed.
QStringList dialogTexts(const std::function<void()> &action)
{
    QStringList texts;
    QTimer watch;
    bool done = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || done)
            return;
        texts << visibleTexts(dialog);
        // The choice of period comes first, and leads to the dialog.
        if (dialog->objectName() == "PeriodChoice") {
            dialog->accept();
            return;
        }
        done = true;
        dialog->reject();
    });
    watch.start(50);
    action();
    if (!done)
        qWarning("no dialog opened");
    return texts;
}

// The texts of the printer's properties, opened from the print dialog that
// the action opens, with the choices of its lists. Paper sizes are named as
// the standards name them, and lengths by their unit symbols ("mm").
QStringList printPropertiesTexts(const std::function<void()> &action)
{
    QStringList texts;
    bool asked = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        auto *properties = dialog->findChild<QPushButton *>("properties");
        if (properties && !asked) {
            asked = true;
            QTimer::singleShot(0, properties, &QPushButton::click);
            return;
        }
        if (!properties) {
            texts << visibleTexts(dialog);
            for (const QComboBox *list : dialog->findChildren<QComboBox *>()) {
                if (list->objectName() == "pageSizeCombo" || list->objectName() == "unitCombo")
                    continue;
                for (int item = 0; item < list->count(); ++item)
                    texts << list->itemText(item);
            }
        }
        dialog->reject();
    });
    watch.start(50);
    action();
    if (texts.isEmpty())
        qWarning("no printer properties opened");
    return texts;
}

// The texts of the message box that an action opens.
QStringList messageBoxTexts(const std::function<void()> &action)
{
    QStringList texts;
    TestSupport::BoxAnswerer answerer;
    answerer.onBox = [&](QMessageBox *box) { texts << visibleTexts(box); };
    action();
    if (!QTest::qWaitFor([&] { return !texts.isEmpty(); }, 5000))
        qWarning("no message box opened");
    return texts;
}

} // namespace

class TestGreek : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void calculatorAndList();
    void aboutDialog();
    void contactDialog();
    void ratesDialog();
    void messageBoxes();
    void exportDialogs();
    void standardButtonsUnderEveryTheme_data();
    void standardButtonsUnderEveryTheme();
    void nothingCutOffAtALargerFont();
};

void TestGreek::initTestCase()
{
    AppInfo::setSiteUrl(QUrl("http://127.0.0.1:1")); // refused at once
}

void TestGreek::calculatorAndList()
{
    TestSupport::ListOfTheRun run;
    MainWindow window(run.keeper);
    window.show();
    QVERIFY(QTest::qWaitFor([&] { return window.findChild<QDialog *>("List") != nullptr; }));
    QStringList texts = visibleTexts(&window);
    QVERIFY(texts.contains("Αποφορολόγηση"));
    QVERIFY(texts.contains("Λοιπά"));
    QVERIFY(texts.contains("Ποσοστό Φ.Π.Α."));

    auto *price = window.findChild<QAbstractSpinBox *>("doubleSpinBox_poso");
    const QStringList priceMenu = contextMenuTexts(price);
    QVERIFY(priceMenu.contains("Αναίρεση"));
    QVERIFY(priceMenu.contains("Αύξηση"));
    texts << priceMenu;
    texts << contextMenuTexts(window.findChild<QAbstractSpinBox *>("doubleSpinBox_final_poso"));
    QCOMPARE(latinWords(texts), QStringList());
}

void TestGreek::aboutDialog()
{
    About about;
    about.show();
    QStringList texts = visibleTexts(&about);
    QVERIFY(texts.contains("Εντάξει"));
    QVERIFY(texts.contains("Σχετικά"));

    auto *link = about.findChild<QLabel *>("label_17");
    texts << contextMenuTexts(link, link->contentsRect().center());
    auto *scrollArea = about.findChild<QScrollArea *>("scrollArea");
    const QStringList scrollMenu = contextMenuTexts(scrollArea->verticalScrollBar());
    QVERIFY(scrollMenu.contains("Κύλιση εδώ"));
    texts << scrollMenu;
    QCOMPARE(latinWords(texts), QStringList());
}

void TestGreek::contactDialog()
{
    Contact contact;
    contact.show();
    QStringList texts = visibleTexts(&contact);
    QVERIFY(texts.contains("Αποστολή Μηνύματος"));

    auto *edit = contact.findChild<QTextEdit *>("textEdit");
    edit->setPlainText("Καλημέρα");
    edit->selectAll();
    const QStringList editMenu = contextMenuTexts(edit->viewport());
    QVERIFY(editMenu.contains("Αντιγραφή"));
    texts << editMenu;
    QCOMPARE(latinWords(texts), QStringList());
}

// With two equal rates, so that the reason for refusing them shows too.
void TestGreek::ratesDialog()
{
    Rates rates(RateSet({2300, 1300, 650, 1600, 900, 2300}), [](const RateSet &) { return 2; });
    rates.show();
    QStringList texts = visibleTexts(&rates);
    QVERIFY(texts.contains("Άκυρο"));
    QVERIFY(texts.contains("Νησιά: υπερμειωμένος"));
    QVERIFY(texts.contains("«Κανονικός» και «Νησιά: υπερμειωμένος» δεν μπορούν να έχουν τον "
                           "ίδιο συντελεστή."));
    rates.findChild<QAbstractButton *>("pushButton_rates_2016")->click();
    texts << visibleTexts(&rates);
    QVERIFY(
        texts.contains("2 εγγραφές θα μετακινηθούν σε άλλη καρτέλα\n(δεν αναιρείται με Ctrl+Z)"));
    QCOMPARE(latinWords(texts), QStringList());
}

void TestGreek::messageBoxes()
{
    TestSupport::ListOfTheRun run;
    MainWindow window(run.keeper);
    window.show();
    QStringList texts = messageBoxTexts(
        [&] { window.findChild<QAbstractButton *>("pushButton_clipBoard")->click(); });
    QVERIFY(texts.contains("Εντάξει"));

    About about;
    about.show();
    texts << messageBoxTexts(
        [&] { about.findChild<QAbstractButton *>("pushButton_checkForNewVersion")->click(); });

    Contact contact;
    contact.show();
    texts << messageBoxTexts(
        [&] { contact.findChild<QAbstractButton *>("pushButton_3")->click(); });
    QCOMPARE(latinWords(texts), QStringList());
}

// The toolkit's own save and print dialogs, which the list's export and print
// open where the desktop has none.
void TestGreek::exportDialogs()
{
    TestSupport::ListOfTheRun run;
    List list(run.keeper);
    list.show();
    QVERIFY(QTest::qWaitFor([&] { return list.isLoaded(); }));
    auto *table =
        list.findChild<QTabWidget *>("tabWidget")->currentWidget()->findChild<QTableWidget *>();
    const QStringList saveTexts =
        dialogTexts([&] { QTest::keyClick(table, Qt::Key_S, Qt::ControlModifier); });
    QVERIFY(saveTexts.contains("Φ.Π.Α. μετρίνο: Εξαγωγή"));
    QVERIFY(saveTexts.contains("Όνομα αρχείου:"));
    QStringList printTexts;
#ifndef Q_OS_WIN // where the print dialog is the system's own
    printTexts = dialogTexts([&] { QTest::keyClick(table, Qt::Key_P, Qt::ControlModifier); });
    QVERIFY(printTexts.contains("Φ.Π.Α. μετρίνο: Εκτύπωση"));
    // Where no printer is installed, the program offers a PDF file instead
    // of its print dialog: the dialog is then opened here as the program
    // opens it.
    const QStringList propertiesTexts = printPropertiesTexts([&] {
        QPrinter printer;
        QPrintDialog(&printer, &list).exec();
    });
    QVERIFY(propertiesTexts.contains("Περιθώρια"));
    printTexts << propertiesTexts;
#endif
    // The progress of a long export, stopped at once.
    QTemporaryDir folder;
    TestSupport::saveAs(folder.path(), "day", false, [&] {
        QTest::keyClick(table, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    });
    auto *progress = TestSupport::child<QProgressDialog>(&list, "progressDialog");
    const QStringList progressTexts = visibleTexts(progress);
    QVERIFY(progressTexts.contains("Φ.Π.Α. μετρίνο: Εξαγωγή"));
    QVERIFY(progressTexts.contains("Ακύρωση"));
    progress->findChild<QPushButton *>()->click();
    // Stopped, it leaves nothing, and holds no file open that Windows would
    // keep from being removed with the folder.
    QTRY_VERIFY(QDir(folder.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    // Folder names are the user's own.
    QStringList texts = saveTexts + printTexts + progressTexts;
    texts.removeIf([](const QString &text) { return QDir::isAbsolutePath(text); });
    QCOMPARE(latinWords(texts), QStringList());
}

// The desktop's platform theme names the standard buttons: the plain X11,
// offscreen and Windows themes by one set of texts, the GNOME and GTK themes
// by another, with keys of their own.
void TestGreek::standardButtonsUnderEveryTheme_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    for (const char *text : {"OK", "Cancel", "Close", "&Yes", "&No", "Save", "Discard", "Retry",
                             "Abort", "Ignore", "Apply", "Reset", "Help", "Open"})
        QTest::addRow("X11, offscreen, Windows: %s", text) << "QPlatformTheme" << text;
    for (const char *text : {"&OK", "&Cancel", "&Close", "&Save", "Close without Saving"})
        QTest::addRow("GNOME, GTK: %s", text) << "QGnomeTheme" << text;
}

void TestGreek::standardButtonsUnderEveryTheme()
{
    QFETCH(QString, context);
    QFETCH(QString, source);
    const QString shown = QCoreApplication::translate(qPrintable(context), qPrintable(source));
    QVERIFY2(shown != source, qPrintable(shown));
    QCOMPARE(latinWords({plain(shown)}), QStringList());
    QCOMPARE(shown.count(QLatin1Char('&')), source.count(QLatin1Char('&')));
}

// With a 13 pt desktop font the fixed-size windows still show every button's
// whole text; the texts with a size of their own keep it.
void TestGreek::nothingCutOffAtALargerFont()
{
    const QFont original = QApplication::font();
    QFont large = original;
    large.setPointSize(13);
    QApplication::setFont(large);

    TestSupport::ListOfTheRun run;
    MainWindow window(run.keeper);
    window.show();
    About about;
    about.show();
    Contact contact;
    contact.show();
    QVERIFY(QTest::qWaitForWindowExposed(&contact));
    for (QWidget *dialog : std::initializer_list<QWidget *>{&window, &about, &contact}) {
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
            const QString text = button->text();
            QVERIFY2(text.isEmpty() || button->width() >= button->sizeHint().width(),
                     qPrintable(text));
            QVERIFY2(
                dialog->rect().contains(QRect(button->mapTo(dialog, QPoint(0, 0)), button->size())),
                qPrintable(text));
        }
    }
    QCOMPARE(about.size(), QSize(390, 270));
    QCOMPARE(window.size(), QSize(220, 240));
    QApplication::setFont(original);
}

METRINO_TEST_MAIN(TestGreek)
#include "tst_greek.moc"

#include "app/siteclient.h"
#include "contact/contact.h"
#include "core/appinfo.h"
#include "httptestserver.h"
#include "testsupport.h"

#include <QAccessible>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

Q_DECLARE_METATYPE(HttpResponse)

namespace {

const QString errorTitle = QStringLiteral("Σφάλμα");
const QString nothingWritten = QStringLiteral(
    "Δεν έχετε εισάγει τίποτις διά αποστολή, παρακαλώ ξαναδοκιμάστε.\nΣας ευχαριστώ πολύ.");
const QString tooShort =
    QStringLiteral("Ελάχιστο πλήθος χαρακτήρων 6.\nΠαρακαλώ ξαναδοκιμάστε.\nΣας ευχαριστώ πολύ.");
const QString notSent = QStringLiteral(
    "Το μήνυμά σας δεν στάλθηκε. Κάτι πήγε στραβά, παρακαλώ ξαναδοκιμάστε.\nΣας ευχαριστώ πολύ.");
const QString sentTitle = QStringLiteral("Επιτυχία");
const QString sent = QStringLiteral("Το μήνυμα σας στάλθηκε με επιτυχία.\nΣας ευχαριστώ πολύ.");
const QByteArray messagePath = "/programming/metrino/bugtracker.php";

// The Contact dialog as a user sees it, reached through its object names.
struct ContactDialog {
    Contact dialog;

    ContactDialog()
    {
        site()->setTransferTimeout(500);
        site()->setDeadline(1500);
        dialog.show();
    }

    template <typename T = QWidget>
    T *widget(const char *name) const
    {
        return TestSupport::child<T>(&dialog, name);
    }
    QTextEdit *text() const { return widget<QTextEdit>("textEdit"); }
    QString counter() const { return widget<QLabel>("label_6")->text(); }
    QPushButton *send() const { return widget<QPushButton>("pushButton_3"); }
    QPushButton *cancel() const { return widget<QPushButton>("pushButton_4"); }
    bool buttonsEnabled() const { return send()->isEnabled() && cancel()->isEnabled(); }
    bool buttonsDisabled() const { return !send()->isEnabled() && !cancel()->isEnabled(); }

    SiteClient *site() const { return TestSupport::child<SiteClient>(&dialog, "siteClient"); }

    void write(const QString &message) { text()->setPlainText(message); }
    // Presses send and waits until the outcome has been shown.
    void pressSend()
    {
        QTest::mouseClick(send(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return !site()->isBusy(); }, 10000));
    }
};

} // namespace

class TestContact : public QObject
{
    Q_OBJECT

private slots:

    void isAFixedWindowModalDialog();
    void counterAndSendButtonFollowTheLength();
    void emptyOrShortMessagesAreNotSent();
    void bodyCarriesTheExactMessageAndVersion_data();
    void bodyCarriesTheExactMessageAndVersion();
    void successClosesTheDialog();
    void emptyAnswerLeavesItOpen();
    void failuresKeepTheMessage_data();
    void failuresKeepTheMessage();
    void onePressSendsOnePost_data();
    void onePressSendsOnePost();
    void closingWhileSendingShowsNoBox();
    void buttonsStayDisabledUntilTheOutcomeIsShown();
    void editingWhileSendingCannotStartASecondSend();
    void cancelClosesWithoutSending();
    void tabMovesTheFocus();
    void pastingALongTextKeepsTheFirstPart_data();
    void pastingALongTextKeepsTheFirstPart();
    void screenReadersHearWhatTheCounterMeans_data();
    void screenReadersHearWhatTheCounterMeans();
};

void TestContact::isAFixedWindowModalDialog()
{
    ContactDialog contact;
    QCOMPARE(contact.dialog.windowTitle(), QStringLiteral("Επικοινωνία"));
    QCOMPARE(contact.dialog.windowModality(), Qt::WindowModal);
    QCOMPARE(contact.dialog.size(), QSize(350, 330));
    QCOMPARE(contact.dialog.minimumSize(), QSize(350, 330));
    QCOMPARE(contact.dialog.maximumSize(), QSize(350, 330));
    QCOMPARE(contact.send()->text(), QStringLiteral("Αποστολή Μηνύματος"));
    QCOMPARE(contact.cancel()->text(), QStringLiteral("Άκυρο"));
}

void TestContact::counterAndSendButtonFollowTheLength()
{
    ContactDialog contact;
    QCOMPARE(contact.counter(), QStringLiteral("255"));
    QVERIFY(contact.send()->isEnabled());

    contact.write(QString(255, QLatin1Char('a')));
    QCOMPARE(contact.counter(), QStringLiteral("0"));
    QVERIFY(contact.send()->isEnabled());

    QTest::keyClick(contact.text(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(contact.text(), QStringLiteral("b"));
    QCOMPARE(contact.counter(), QStringLiteral("-1"));
    QVERIFY(!contact.send()->isEnabled());
    QCOMPARE(contact.text()->toPlainText().size(), 256); // never cut to the limit

    QTest::keyClick(contact.text(), Qt::Key_Backspace);
    QCOMPARE(contact.counter(), QStringLiteral("0"));
    QVERIFY(contact.send()->isEnabled());

    // Characters, not bytes: 200 Greek letters are 400 bytes of UTF-8.
    contact.write(QString(200, QChar(0x03B1)));
    QCOMPARE(contact.counter(), QStringLiteral("55"));
    QVERIFY(contact.send()->isEnabled());

    contact.write(QStringLiteral("ab\ncdef")); // the line feed counts
    QCOMPARE(contact.counter(), QStringLiteral("248"));
    QVERIFY(contact.cancel()->isEnabled());
}

void TestContact::emptyOrShortMessagesAreNotSent()
{
    HttpTestServer server;
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;

    {
        TestSupport::BoxAnswerer answerer;
        contact.pressSend();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, errorTitle);
        QCOMPARE(answerer.seen[0].text, nothingWritten);
        QCOMPARE(contact.dialog.focusWidget(), contact.text());
    }
    {
        contact.write(QStringLiteral("abcde"));
        contact.cancel()->setFocus();
        TestSupport::BoxAnswerer answerer;
        contact.pressSend();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, errorTitle);
        QCOMPARE(answerer.seen[0].text, tooShort);
        QCOMPARE(contact.dialog.focusWidget(), contact.text());
        QVERIFY(contact.buttonsEnabled());
    }
    QVERIFY(server.requests.isEmpty());
    QVERIFY(contact.dialog.isVisible());
}

void TestContact::bodyCarriesTheExactMessageAndVersion_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("plain") << QStringLiteral("Hello there")
                           << QByteArray("message=Hello%20there&version=0.0.3");
    QTest::newRow("six blanks, not trimmed")
        << QStringLiteral("      ") << QByteArray("message=%20%20%20%20%20%20&version=0.0.3");
    QTest::newRow("200 Greek letters")
        << QString(200, QChar(0x03B1))
        << "message=" + QByteArray("%CE%B1").repeated(200) + "&version=0.0.3";
}

void TestContact::bodyCarriesTheExactMessageAndVersion()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, body);

    HttpTestServer server;
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;
    contact.write(message);
    TestSupport::BoxAnswerer answerer;
    contact.pressSend();

    QCOMPARE(server.requests.size(), 1);
    const HttpRequest &request = server.requests.first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, messagePath);
    QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(request.body, body);

    QUrlQuery decoded(QString::fromLatin1(request.body));
    QCOMPARE(decoded.queryItemValue(QStringLiteral("message"), QUrl::FullyDecoded), message);
    QCOMPARE(decoded.queryItemValue(QStringLiteral("version"), QUrl::FullyDecoded),
             QStringLiteral("0.0.3"));
}

void TestContact::successClosesTheDialog()
{
    HttpTestServer server;
    server.answer(HttpResponse::text(200, "An error page is still an answer"));
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;
    contact.write(QStringLiteral("The rates are out of date"));
    TestSupport::BoxAnswerer answerer;
    contact.pressSend();

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, sentTitle);
    QCOMPARE(answerer.seen[0].text, sent);
    QVERIFY(!contact.dialog.isVisible());
    QVERIFY(contact.buttonsEnabled());

    ContactDialog next;
    QVERIFY(next.text()->toPlainText().isEmpty());
    QCOMPARE(next.counter(), QStringLiteral("255"));
}

void TestContact::emptyAnswerLeavesItOpen()
{
    HttpTestServer server;
    server.answer(HttpResponse::text(200, ""));
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;
    contact.write(QStringLiteral("Hello there"));
    TestSupport::BoxAnswerer answerer;
    contact.pressSend();

    QCOMPARE(server.requests.size(), 1);
    QVERIFY(answerer.seen.isEmpty());
    QVERIFY(contact.dialog.isVisible());
    QVERIFY(contact.buttonsEnabled());
    QCOMPARE(contact.text()->toPlainText(), QStringLiteral("Hello there"));
}

void TestContact::failuresKeepTheMessage_data()
{
    QTest::addColumn<HttpResponse>("response");
    QTest::addColumn<bool>("redirect");

    QTest::newRow("404") << HttpResponse::text(404, "Not here") << false;
    QTest::newRow("500") << HttpResponse::text(500, "Broken") << false;
    // Following a redirect would turn the POST into a bodiless GET that
    // "succeeds": the message would be lost behind a success box.
    QTest::newRow("302") << HttpResponse::redirect(302, "/elsewhere") << true;
    QTest::newRow("303") << HttpResponse::redirect(303, "/elsewhere") << true;
    QTest::newRow("307") << HttpResponse::redirect(307, "/elsewhere") << true;
    QTest::newRow("hang-up") << HttpResponse::hangUp() << false;
    QTest::newRow("never answers") << HttpResponse::silence() << false;
    QTest::newRow("connection refused") << HttpResponse() << false;
    // The message is sent from a body that cannot be read twice; the answer
    // must still be read no further than the cap, here until the deadline.
    HttpResponse chunked = HttpResponse::endless("4000\r\n" + QByteArray(0x4000, 'x') + "\r\n");
    chunked.headers.append({QByteArray("Transfer-Encoding"), QByteArray("chunked")});
    QTest::newRow("endless chunks") << chunked << false;
}

void TestContact::failuresKeepTheMessage()
{
    QFETCH(HttpResponse, response);
    QFETCH(bool, redirect);

    HttpTestServer server;
    server.answer(response);
    const bool refused = QByteArray(QTest::currentDataTag()) == "connection refused";
    AppInfo::setSiteUrl(refused ? refusingAddress() : server.url());
    ContactDialog contact;
    contact.write(QStringLiteral("Please add a 24 % rate"));
    contact.cancel()->setFocus();
    TestSupport::BoxAnswerer answerer;
    const qint64 peakBefore = peakMemoryKiB();
    contact.pressSend();

    QVERIFY2(peakMemoryKiB() - peakBefore < 16 * 1024,
             qPrintable(QString::number(peakMemoryKiB() - peakBefore)));
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, errorTitle);
    QCOMPARE(answerer.seen[0].text, notSent);
    QVERIFY(contact.dialog.isVisible());
    QCOMPARE(contact.text()->toPlainText(), QStringLiteral("Please add a 24 % rate"));
    QVERIFY(contact.buttonsEnabled());
    QCOMPARE(contact.dialog.focusWidget(), contact.text());
    if (redirect)
        QCOMPARE(server.requests.size(), 1);
}

void TestContact::onePressSendsOnePost_data()
{
    QTest::addColumn<HttpResponse>("response");

    QTest::newRow("garbage") << HttpResponse::raw("garbage\r\n\r\n");
    QTest::newRow("hang-up") << HttpResponse::hangUp();
}

// The network layer would send the message again on some broken answers.
void TestContact::onePressSendsOnePost()
{
    QFETCH(HttpResponse, response);

    HttpTestServer server;
    server.answer(response);
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;
    contact.write(QStringLiteral("Hello there"));
    TestSupport::BoxAnswerer answerer;
    contact.pressSend();

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].text, notSent);
    QTest::qWait(100); // a resent request would arrive now
    QCOMPARE(server.requests.size(), 1);
    QVERIFY(contact.buttonsEnabled());
}

void TestContact::closingWhileSendingShowsNoBox()
{
    HttpTestServer server;
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;
    contact.write(QStringLiteral("Hello there"));
    Qt::CursorShape cursorWhileWaiting = Qt::ArrowCursor;
    QString noteWhileWaiting;
    server.onRequest = [&](const HttpRequest &) {
        cursorWhileWaiting = contact.dialog.cursor().shape();
        if (auto *note = contact.dialog.findChild<QLabel *>("waitNote"); note && note->isVisible())
            noteWhileWaiting = note->text();
        contact.dialog.close(); // as the window's close button does
    };
    TestSupport::BoxAnswerer answerer;

    contact.pressSend();
    QTest::qWait(100);

    QCOMPARE(cursorWhileWaiting, Qt::BusyCursor);
    QCOMPARE(noteWhileWaiting, QStringLiteral("Αποστολή… (Esc: ακύρωση)"));
    QVERIFY(!contact.dialog.findChild<QLabel *>("waitNote"));
    QVERIFY(!contact.dialog.isVisible());
    QVERIFY(answerer.seen.isEmpty());
    QCOMPARE(contact.dialog.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(contact.buttonsEnabled());
    QCOMPARE(server.requests.size(), 1);
}

void TestContact::buttonsStayDisabledUntilTheOutcomeIsShown()
{
    HttpTestServer server;
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;
    bool disabledWhileWaiting = false;
    server.onRequest = [&](const HttpRequest &) {
        disabledWhileWaiting = contact.buttonsDisabled();
    };
    contact.write(QStringLiteral("Hello there"));
    TestSupport::BoxAnswerer answerer;
    bool disabledWhileShown = false;
    answerer.onBox = [&](QMessageBox *) { disabledWhileShown = contact.buttonsDisabled(); };
    contact.pressSend();

    QCOMPARE(answerer.seen.size(), 1);
    QVERIFY(disabledWhileWaiting);
    QVERIFY(disabledWhileShown);
    QVERIFY(contact.buttonsEnabled());
}

void TestContact::editingWhileSendingCannotStartASecondSend()
{
    HttpTestServer server;
    server.answer(HttpResponse::text(200, ""));
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;
    contact.write(QStringLiteral("Hello there"));

    bool sendEnabledAfterEdit = true;
    QString counterAfterEdit;
    server.onRequest = [&](const HttpRequest &) {
        contact.write(QStringLiteral("Hello again"));
        sendEnabledAfterEdit = contact.send()->isEnabled();
        counterAfterEdit = contact.counter();
        QTest::mouseClick(contact.send(), Qt::LeftButton); // a disabled button ignores it
    };
    contact.pressSend();
    QVERIFY(!sendEnabledAfterEdit);
    QCOMPARE(counterAfterEdit, QStringLiteral("244"));
    QCOMPARE(server.requests.size(), 1);
    QVERIFY(contact.buttonsEnabled());

    // A text that grew past the limit during the wait keeps the send button
    // disabled afterwards.
    server.onRequest = [&](const HttpRequest &) { contact.write(QString(300, QLatin1Char('x'))); };
    contact.pressSend();
    QCOMPARE(server.requests.size(), 2);
    QVERIFY(!contact.send()->isEnabled());
    QVERIFY(contact.cancel()->isEnabled());
    QCOMPARE(contact.counter(), QStringLiteral("-45"));
}

void TestContact::cancelClosesWithoutSending()
{
    HttpTestServer server;
    AppInfo::setSiteUrl(server.url());
    ContactDialog contact;
    contact.write(QStringLiteral("Never mind"));
    QTest::mouseClick(contact.cancel(), Qt::LeftButton);
    QVERIFY(!contact.dialog.isVisible());
    QTest::qWait(50);
    QVERIFY(server.requests.isEmpty());
}

// Tab and Shift+Tab leave the message box; no tab character is typed.
void TestContact::tabMovesTheFocus()
{
    ContactDialog contact;
    QVERIFY(QTest::qWaitForWindowActive(&contact.dialog));
    contact.text()->setFocus();
    QTest::keyClick(contact.text(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), contact.send());
    QTest::keyClick(contact.send(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), contact.text());
    QCOMPARE(contact.text()->toPlainText(), QString());
}

void TestContact::pastingALongTextKeepsTheFirstPart_data()
{
    QTest::addColumn<int>("lines"); // of 64 characters
    QTest::addColumn<QString>("way");
    QTest::newRow("64 KiB") << 1024 << "paste";
    QTest::newRow("1 MiB") << 16 * 1024 << "paste";
    QTest::newRow("one line of 64 KiB") << -1024 << "paste";
    QTest::newRow("one word of 64 KiB") << 0 << "paste";
    QTest::newRow("one word of 64 KiB from an input method") << 0 << "input method";
    QTest::newRow("one word of 64 KiB dropped") << 0 << "drop";
    // What fits exactly is not cut, even after a text that was.
    QTest::newRow("exactly what fits") << 1 << "exactly";
}

void TestContact::pastingALongTextKeepsTheFirstPart()
{
    QFETCH(int, lines);
    QFETCH(QString, way);
    QString pasted;
    for (int line = 0; line < qAbs(lines); ++line)
        pasted += QStringLiteral("Μήνυμα %1 ").arg(line, 6).leftJustified(63, QLatin1Char('x'))
                  + (lines > 0 ? QLatin1Char('\n') : QLatin1Char(' '));
    if (lines == 0)
        pasted.fill(QChar(0x03B1), 64 * 1024);
    QGuiApplication::clipboard()->setText(pasted);
    ContactDialog contact;
    QVERIFY(QTest::qWaitForWindowActive(&contact.dialog));
    QTest::keyClicks(contact.text(), QStringLiteral("12345 "));
    QElapsedTimer clock;
    clock.start();

    if (way == "input method") {
        QInputMethodEvent commit;
        commit.setCommitString(pasted);
        QApplication::sendEvent(contact.text(), &commit);
    } else if (way == "drop") {
        QMimeData dropped;
        dropped.setText(pasted);
        const QPoint end = contact.text()->viewport()->rect().bottomRight() - QPoint(2, 2);
        QDragEnterEvent enter(end, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(contact.text()->viewport(), &enter);
        QDropEvent drop(end, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(contact.text()->viewport(), &drop);
    } else if (way == "exactly") {
        contact.write(QString(Contact::maxHeldLength + 1, QLatin1Char('a')));
        QTest::keyClick(contact.text(), Qt::Key_A, Qt::ControlModifier);
        QGuiApplication::clipboard()->setText(QString(Contact::maxHeldLength, QLatin1Char('b')));
        QTest::keyClick(contact.text(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(contact.text()->toPlainText().size(), Contact::maxHeldLength);
        QCOMPARE(contact.counter(),
                 QString::number(Contact::maxMessageLength - Contact::maxHeldLength));
        return;
    } else {
        QTest::keyClick(contact.text(), Qt::Key_V, Qt::ControlModifier);
    }
    contact.dialog.repaint();
    qInfo("pasting %lld characters took %lld ms", qint64(pasted.size()), clock.elapsed());

    const QString kept = contact.text()->toPlainText();
    QCOMPARE(kept.size(), Contact::maxHeldLength);
    QCOMPARE(kept, QString(QStringLiteral("12345 ") + pasted).left(Contact::maxHeldLength));
    QCOMPARE(contact.counter(),
             QStringLiteral("%1 (κόπηκε)").arg(Contact::maxMessageLength - Contact::maxHeldLength));
    QVERIFY(!contact.send()->isEnabled());

    // Shortened again, the message is as any other.
    contact.write(QStringLiteral("Σύντομο"));
    QCOMPARE(contact.counter(), QStringLiteral("248"));
}

void TestContact::screenReadersHearWhatTheCounterMeans_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << 0 << "Απομένουν 255 χαρακτήρες";
    QTest::newRow("one left") << 254 << "Απομένει 1 χαρακτήρας";
    QTest::newRow("one over") << 256 << "1 χαρακτήρας πάνω από το όριο";
    QTest::newRow("three over") << 258 << "3 χαρακτήρες πάνω από το όριο";
}

void TestContact::screenReadersHearWhatTheCounterMeans()
{
    QFETCH(int, length);
    QFETCH(QString, name);
    ContactDialog contact;
    contact.write(QString(length, QLatin1Char('a')));
    const auto heard = [&](QWidget *widget) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        return accessible->text(QAccessible::Name) + " / "
               + accessible->text(QAccessible::Description);
    };
    QCOMPARE(heard(contact.widget("label_6")),
             name + " / Πόσοι χαρακτήρες μπορούν ακόμη να γραφτούν στο μήνυμα");
    QCOMPARE(heard(contact.text()), QString("Μήνυμα / Το μήνυμά σας, από 6 έως 255 χαρακτήρες"));
}

METRINO_TEST_MAIN(TestContact)
#include "tst_contact.moc"

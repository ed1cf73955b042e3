#include "about/about.h"
#include "app/siteclient.h"
#include "core/appinfo.h"
#include "httptestserver.h"
#include "linkclicker.h"
#include "testsupport.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <zlib.h>

Q_DECLARE_METATYPE(HttpResponse)

namespace {

const QString checkTitle = QStringLiteral("Φ.Π.Α. μετρίνο, Έλεγχος για καινούργια έκδοση");
const QString failureText = QStringLiteral("Κάτι πήγε στραβά, δεν μπόρεσα να κάνω τον έλεγχο.");
const QString upToDateText = QStringLiteral("Έχετε την τελευταία έκδοση του Φ.Π.Α. μετρίνου");
const QStringList offerButtons = {QStringLiteral("&Ναι"), QStringLiteral("Όχι Ευχαριστώ!!!")};
const QByteArray versionPath = "/programming/metrino/version.php";
const QByteArray downloadPage = "http://127.0.0.1:1/programming/metrino/download/";

QString newVersionText(const QString &version)
{
    return QStringLiteral("Υπάρχει διαθέσιμη μια καινούργια έκδοση: ") + version
           + QStringLiteral("\n\nΕσείς έχετε την: 0.0.3\n\nΘέλετε να μεταβείτε στην ιστοσελίδα "
                            "για κατέβασμα της καινούργιας έκδοσης;");
}

// A zlib stream of `start` followed by that many megabytes of zeros, made
// without ever holding the zeros.
QByteArray deflatedZeros(const QByteArray &start, int megabytes)
{
    z_stream stream{};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    const QByteArray zeros(1 << 20, '\0');
    QByteArray packed;
    for (int i = -1; i < megabytes; ++i) {
        const QByteArray &in = i < 0 ? start : zeros;
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
        stream.avail_in = uInt(in.size());
        do {
            char out[64 * 1024];
            stream.next_out = reinterpret_cast<Bytef *>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, i + 1 < megabytes ? Z_NO_FLUSH : Z_FINISH);
            packed.append(out, qsizetype(sizeof out - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return packed;
}

// The About dialog as a user sees it, reached through its object names.
struct AboutDialog {
    About dialog;

    AboutDialog()
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
    QLabel *label(const char *name) const { return widget<QLabel>(name); }
    QPushButton *checkButton() const
    {
        return widget<QPushButton>("pushButton_checkForNewVersion");
    }
    SiteClient *site() const { return TestSupport::child<SiteClient>(&dialog, "siteClient"); }
    // Presses the check button and waits until the outcome has been shown.
    void pressCheck()
    {
        QTest::mouseClick(checkButton(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return !site()->isBusy(); }, 10000));
    }
    QDialogButtonBox *okBox() const { return widget<QDialogButtonBox>("buttonBox"); }
    bool buttonsEnabled() const { return checkButton()->isEnabled() && okBox()->isEnabled(); }
    bool buttonsDisabled() const { return !checkButton()->isEnabled() && !okBox()->isEnabled(); }
};

} // namespace

// Stands in for the web browser: keeps every address the program asks the
// desktop to open.
class Browser : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void isAFixedDialogWithAScrollingFeatureList();
    void titleFitsAtAnyFont_data();
    void titleFitsAtAnyFont();
    void linksFollowTheSiteAndOpenInTheBrowser();
    void linksOpenFromTheKeyboard_data();
    void linksOpenFromTheKeyboard();
    void checkTellsTheOutcome_data();
    void checkTellsTheOutcome();
    void yesOpensOnlyWebPages_data();
    void yesOpensOnlyWebPages();
    void versionIsShownAsPlainText_data();
    void versionIsShownAsPlainText();
    void hostileAnswersFailSoon_data();
    void hostileAnswersFailSoon();
    void closingWhileWaitingShowsNoBox();

private:
    Browser browser;
};

void TestAbout::initTestCase()
{
    for (const char *scheme : {"http", "https", "file", "javascript"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &browser, "open");
}

void TestAbout::init()
{
    browser.opened.clear();
}

void TestAbout::cleanupTestCase()
{
    for (const char *scheme : {"http", "https", "file", "javascript"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
}

void TestAbout::isAFixedDialogWithAScrollingFeatureList()
{
    AboutDialog about;
    QVERIFY(QTest::qWaitForWindowExposed(&about.dialog));
    QCOMPARE(about.dialog.windowTitle(), QStringLiteral("Σχετικά"));
    QCOMPARE(about.dialog.windowModality(), Qt::ApplicationModal);
    QCOMPARE(about.dialog.size(), QSize(390, 270));
    QCOMPARE(about.dialog.minimumSize(), QSize(390, 270));
    QCOMPARE(about.dialog.maximumSize(), QSize(390, 270));

    // The feature list fits no better than it scrolls: the bar shows even so.
    auto *scrollArea = about.widget<QScrollArea>("scrollArea");
    QVERIFY(scrollArea->verticalScrollBar()->isVisible());
    QVERIFY(!about.label("label_6")->pixmap().isNull());
    QVERIFY(!about.label("label_8")->pixmap().isNull());

    // The fonts here are not the ones the layout was drawn with: still no
    // line of the heading may wrap out of its label.
    for (const char *name : {"label", "label_version", "label_version_2", "label_version_3"}) {
        QLabel *label = about.label(name);
        QVERIFY2(label->heightForWidth(label->width()) <= label->height(), name);
    }

    QVERIFY(about.checkButton()->text().isEmpty());
    QVERIFY(!about.checkButton()->icon().isNull());
    QCOMPARE(about.checkButton()->toolTip(), QStringLiteral("Έλεγχος για καινούργια έκδοση"));
    // A screen reader announces the icon-only button by its tool tip.
    QCOMPARE(QAccessible::queryAccessibleInterface(about.checkButton())->text(QAccessible::Name),
             QStringLiteral("Έλεγχος για καινούργια έκδοση"));

    QTextDocument version;
    version.setHtml(about.label("label_version")->text());
    QCOMPARE(version.toPlainText(), QStringLiteral("έκδοση: 0.0.3"));
}

void TestAbout::titleFitsAtAnyFont_data()
{
    QTest::addColumn<QString>("family");
    // Whatever fonts this machine has; wide and tall ones take more room.
    for (const QString &family : QFontDatabase::families())
        QTest::newRow(qPrintable(family)) << family;
}

// The title stays on one line, whole, with room before the version.
void TestAbout::titleFitsAtAnyFont()
{
    QFETCH(QString, family);
    const QFont original = QApplication::font();
    QApplication::setFont(QFont(family));
    {
        AboutDialog about;
        QLabel *title = about.label("label");
        const QFontMetrics metrics(title->font());
        QVERIFY2(metrics.horizontalAdvance(title->text()) < title->contentsRect().width(),
                 qPrintable(title->font().toString()));
        QVERIFY2(title->heightForWidth(title->width()) <= title->height(),
                 qPrintable(title->font().toString()));
    }
    QApplication::setFont(original);
}

void TestAbout::linksFollowTheSiteAndOpenInTheBrowser()
{
    AppInfo::setSiteUrl(QUrl(QStringLiteral("http://127.0.0.1:8123")));
    AboutDialog about;
    QVERIFY(QTest::qWaitForWindowExposed(&about.dialog));

    QVERIFY(clickLabelText(about.label("label_2"), QStringLiteral("μετρίνο")));
    QVERIFY(clickLabelText(about.label("label_17"), QStringLiteral("LGPL")));
    QVERIFY(clickLabelText(about.label("label_13"), QString(QChar::ObjectReplacementCharacter)));
    // The author line names the site as a link, but it opens nothing.
    QVERIFY(clickLabelText(about.label("label_version_2"), QStringLiteral("127.0.0.1")));

    const QList<QUrl> expected = {
        QUrl(QStringLiteral("http://127.0.0.1:8123/programming/metrino/")),
        QUrl(QStringLiteral("http://127.0.0.1:8123/licenses/lgpl-2.1.txt")),
        QUrl(QStringLiteral("https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&hosted_button_id="
                            "KX7R4M2Q9WZ3L")),
    };
    QCOMPARE(browser.opened, expected);
}

void TestAbout::linksOpenFromTheKeyboard_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QUrl>("opened");
    QTest::newRow("program page") << "label_2"
                                  << QUrl("http://127.0.0.1:8123/programming/metrino/");
    QTest::newRow("licence") << "label_17" << QUrl("http://127.0.0.1:8123/licenses/lgpl-2.1.txt");
    QTest::newRow("donation") << "label_13"
                              << QUrl("https://www.paypal.com/cgi-bin/webscr?cmd=_s-xclick&"
                                      "hosted_button_id=KX7R4M2Q9WZ3L");
}

void TestAbout::linksOpenFromTheKeyboard()
{
    QFETCH(QString, label);
    QFETCH(QUrl, opened);
    AppInfo::setSiteUrl(QUrl(QStringLiteral("http://127.0.0.1:8123")));
    AboutDialog about;
    QVERIFY(QTest::qWaitForWindowActive(&about.dialog));
    QLabel *target = about.label(qPrintable(label));

    for (int presses = 0; presses < 30 && !target->hasFocus(); ++presses)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(target->hasFocus());
    QTRY_VERIFY(target->hasSelectedText()); // the link shows the focus
    QTest::keyClick(target, Qt::Key_Return);

    QCOMPARE(browser.opened, QList<QUrl>{opened});
    QVERIFY(about.dialog.isVisible()); // Enter on a link is not the OK button
}

void TestAbout::checkTellsTheOutcome_data()
{
    QTest::addColumn<HttpResponse>("response");
    QTest::addColumn<QString>("expectedText");

    auto reply = [](const QByteArray &body) { return HttpResponse::text(200, body); };
    auto record = [](const QByteArray &version) { return version + '@' + downloadPage; };

    QTest::newRow("same version") << reply(record("0.0.3")) << upToDateText;
    QTest::newRow("same version, no @") << reply("0.0.3") << upToDateText;
    QTest::newRow("0.0.4") << reply(record("0.0.4")) << newVersionText("0.0.4");
    QTest::newRow("line feed kept") << reply(record("0.0.4\n")) << newVersionText("0.0.4\n");
    QTest::newRow("older") << reply(record("0.0.2")) << failureText;
    QTest::newRow("empty body") << reply("") << failureText;
    QTest::newRow("404") << HttpResponse::text(404, record("0.0.4")) << failureText;
    QTest::newRow("500") << HttpResponse::text(500, "") << failureText;
    QTest::newRow("redirect followed")
        << HttpResponse::redirect(302, "/moved/version.php") << upToDateText;
    QTest::newRow("hang-up") << HttpResponse::hangUp() << failureText;
    QTest::newRow("never answers") << HttpResponse::silence() << failureText;
    QTest::newRow("connection refused") << HttpResponse() << failureText;
}

void TestAbout::checkTellsTheOutcome()
{
    QFETCH(HttpResponse, response);
    QFETCH(QString, expectedText);

    HttpTestServer server;
    server.answer(response);
    server.answer("/moved/version.php", HttpResponse::text(200, "0.0.3@" + downloadPage));
    const bool refused = QByteArray(QTest::currentDataTag()) == "connection refused";
    AppInfo::setSiteUrl(refused ? refusingAddress() : server.url());

    AboutDialog about;
    bool disabledWhileWaiting = false;
    server.onRequest = [&](const HttpRequest &) { disabledWhileWaiting = about.buttonsDisabled(); };
    TestSupport::BoxAnswerer answerer; // presses "Όχι Ευχαριστώ!!!", the default, when offered
    bool disabledWhileShown = false;
    QString escapeAnswer;
    answerer.onBox = [&](QMessageBox *box) {
        disabledWhileShown = about.buttonsDisabled();
        if (box->escapeButton())
            escapeAnswer = box->escapeButton()->text();
    };

    about.pressCheck();

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, checkTitle);
    QCOMPARE(answerer.seen[0].text, expectedText);
    if (expectedText.startsWith(QStringLiteral("Υπάρχει"))) {
        QCOMPARE(answerer.seen[0].buttons, offerButtons);
        QCOMPARE(escapeAnswer, offerButtons.last());
    } else
        QCOMPARE(answerer.seen[0].buttons.size(), 1);
    QVERIFY(disabledWhileShown);
    QVERIFY(about.buttonsEnabled());
    QVERIFY(browser.opened.isEmpty());

    if (!refused) {
        QVERIFY(disabledWhileWaiting);
        QCOMPARE(server.requests.first().method, QByteArray("GET"));
        QCOMPARE(server.requests.first().target, versionPath);
        QVERIFY(server.requests.first().body.isEmpty());
    }
}

void TestAbout::yesOpensOnlyWebPages_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<QUrl>>("opened");

    QTest::newRow("http") << QByteArray("0.0.4@http://127.0.0.1:1/download/")
                          << QList<QUrl>{QUrl("http://127.0.0.1:1/download/")};
    QTest::newRow("https, further fields ignored")
        << QByteArray("0.0.4@https://www.korvex.example/metrino@extra")
        << QList<QUrl>{QUrl("https://www.korvex.example/metrino")};
    QTest::newRow("line feed after the address")
        << QByteArray("0.0.4@http://127.0.0.1:1/download/\n")
        << QList<QUrl>{QUrl("http://127.0.0.1:1/download/")};
    QTest::newRow("no address") << QByteArray("0.0.4") << QList<QUrl>{};
    QTest::newRow("local file") << QByteArray("0.0.4@file:///etc/passwd") << QList<QUrl>{};
    QTest::newRow("script") << QByteArray("0.0.4@javascript:alert(1)") << QList<QUrl>{};
    QTest::newRow("program path") << QByteArray("0.0.4@/usr/bin/xterm") << QList<QUrl>{};
    QTest::newRow("no host") << QByteArray("0.0.4@http:///etc/passwd") << QList<QUrl>{};
    const QByteArray longest = "http://127.0.0.1:1/" + QByteArray(2048 - 19, 'a');
    QTest::newRow("2048 characters") << "0.0.4@" + longest << QList<QUrl>{QUrl(longest)};
    QTest::newRow("2049 characters") << "0.0.4@" + longest + 'a' << QList<QUrl>{};
}

void TestAbout::yesOpensOnlyWebPages()
{
    QFETCH(QByteArray, body);
    QFETCH(QList<QUrl>, opened);

    HttpTestServer server;
    server.answer(HttpResponse::text(200, body));
    AppInfo::setSiteUrl(server.url());
    AboutDialog about;
    TestSupport::BoxAnswerer answerer({QStringLiteral("&Ναι")});

    about.pressCheck();

    QCOMPARE(answerer.seen.size(), 1); // nothing is reported when nothing opens
    QCOMPARE(answerer.seen[0].text, newVersionText("0.0.4"));
    QCOMPARE(browser.opened, opened);
    QVERIFY(about.buttonsEnabled());
}

void TestAbout::versionIsShownAsPlainText_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("shown");

    QTest::newRow("link to a file") << QByteArray("0.0.4.<a href=\"file:///etc/passwd\">x</a>")
                                    << QStringLiteral("0.0.4.<a href=\"file:///etc/passwd\">x</a>");
    QTest::newRow("script link")
        << QByteArray("0.0.4.<b><a href=\"javascript:alert(1)\">open</a></b>")
        << QStringLiteral("0.0.4.<b><a href=\"javascript:alert(1)\">open</a></b>");
    QTest::newRow("control characters")
        << QByteArray("0.0.4.\0x\a\x1b[31m\r\t\x7f\x85\n", 19) << QStringLiteral("0.0.4.x[31m\n");
    QTest::newRow("far too long") << "0.0.4." + QByteArray(60000, '9')
                                  << "0.0.4." + QString(58, u'9') + QChar(0x2026);
}

// Whatever the server puts in the version, the box shows it as text: the
// user's "Όχι Ευχαριστώ!!!" is the last word, and nothing in it opens.
void TestAbout::versionIsShownAsPlainText()
{
    QFETCH(QByteArray, version);
    QFETCH(QString, shown);

    HttpTestServer server;
    server.answer(HttpResponse::text(200, version + '@' + downloadPage));
    AppInfo::setSiteUrl(server.url());
    AboutDialog about;
    TestSupport::BoxAnswerer answerer;
    answerer.onBox = [](QMessageBox *box) {
        auto *label = TestSupport::child<QLabel>(box, "qt_msgbox_label");
        QCOMPARE(label->textFormat(), Qt::PlainText);
        for (int y = 2; y < label->height(); y += 4) {
            for (int x = 2; x < label->width(); x += 4)
                QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        }
    };

    about.pressCheck();

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].text, newVersionText(shown));
    QVERIFY(browser.opened.isEmpty());
    QVERIFY(about.buttonsEnabled());
}

void TestAbout::hostileAnswersFailSoon_data()
{
    QTest::addColumn<HttpResponse>("response");
    QTest::addColumn<int>("limitMs"); // the deadline and the transfer timeout
    QTest::addColumn<QString>("expectedText");

    const QByteArray record = "0.0.3@" + downloadPage + '@';
    const QByteArray atTheCap = record + QByteArray(SiteClient::maxReplyBytes - record.size(), 'x');
    QTest::newRow("at the cap") << HttpResponse::text(200, atTheCap) << 1500 << upToDateText;
    QTest::newRow("over the cap") << HttpResponse::text(200, atTheCap + 'x') << 1500 << failureText;
    // Without a length the cap is found only by reading: one byte too many
    // is as bad as a megabyte.
    QTest::newRow("over the cap, no length")
        << HttpResponse::raw("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + atTheCap + 'x')
        << 1500 << failureText;
    QTest::newRow("at the cap, no length")
        << HttpResponse::raw("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + atTheCap) << 1500
        << upToDateText;
    // No length is announced: the body ends only when the client gives up.
    // Read on until the deadline, it would take hundreds of megabytes.
    QTest::newRow("endless") << HttpResponse::endless(record) << 1500 << failureText;
    HttpResponse chunked = HttpResponse::endless("4000\r\n" + QByteArray(0x4000, 'x') + "\r\n");
    chunked.headers.append({QByteArray("Transfer-Encoding"), QByteArray("chunked")});
    QTest::newRow("endless chunks") << chunked << 1500 << failureText;
    // A byte now and then keeps the transfer timeout from firing; the whole
    // answer would take over 18 s.
    QTest::newRow("trickle") << HttpResponse::trickle(record, 400) << 1500 << failureText;
    // The network layer gives up on a body that unpacks to hundreds of
    // megabytes without ever finishing the reply: the check must not wait
    // for the deadline all the same, which lies beyond the test's time limit.
    HttpResponse bomb = HttpResponse::text(200, deflatedZeros(record, 200));
    bomb.headers.append({QByteArray("Content-Encoding"), QByteArray("deflate")});
    QTest::newRow("compressed bomb") << bomb << 3600 * 1000 << failureText;
}

void TestAbout::hostileAnswersFailSoon()
{
    QFETCH(HttpResponse, response);
    QFETCH(int, limitMs);
    QFETCH(QString, expectedText);

    HttpTestServer server;
    server.answer(response);
    AppInfo::setSiteUrl(server.url());
    AboutDialog about;
    about.site()->setDeadline(limitMs);
    about.site()->setTransferTimeout(limitMs);
    TestSupport::BoxAnswerer answerer;
    const qint64 peakBefore = peakMemoryKiB();

    about.pressCheck();

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].text, expectedText);
    QVERIFY(about.buttonsEnabled());
    QVERIFY2(peakMemoryKiB() - peakBefore < 32 * 1024,
             qPrintable(QString::number(peakMemoryKiB() - peakBefore)));
}

void TestAbout::closingWhileWaitingShowsNoBox()
{
    HttpTestServer server;
    server.answer(HttpResponse::text(200, "0.0.4@" + downloadPage));
    AppInfo::setSiteUrl(server.url());
    AboutDialog about;
    Qt::CursorShape cursorWhileWaiting = Qt::ArrowCursor;
    QString noteWhileWaiting;
    server.onRequest = [&](const HttpRequest &) {
        cursorWhileWaiting = about.dialog.cursor().shape();
        if (auto *note = about.dialog.findChild<QLabel *>("waitNote"); note && note->isVisible())
            noteWhileWaiting = note->text();
        QTest::keyClick(&about.dialog, Qt::Key_Escape);
    };
    TestSupport::BoxAnswerer answerer;

    about.pressCheck();
    QTest::qWait(100);

    QCOMPARE(cursorWhileWaiting, Qt::BusyCursor);
    QCOMPARE(noteWhileWaiting, QStringLiteral("Έλεγχος για νέα έκδοση… (Esc: ακύρωση)"));
    QVERIFY(!about.dialog.findChild<QLabel *>("waitNote"));
    QVERIFY(!about.dialog.isVisible());
    QVERIFY(answerer.seen.isEmpty());
    QCOMPARE(about.dialog.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(about.buttonsEnabled());
    QCOMPARE(server.requests.size(), 1);
}

METRINO_TEST_MAIN(TestAbout)
#include "tst_about.moc"

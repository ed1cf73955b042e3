#include "about/about.h"
#include "app/siteclient.h"
#include "contact/contact.h"
#include "core/appinfo.h"
#include "testsupport.h"

#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

// The About and Contact dialogs of a program that finds no site module: this
// test has none built in and none beside it. Each request fails as one to an
// unreachable site does, after the press has been handled.
class TestSiteMissing : public QObject
{
    Q_OBJECT

private slots:
    void init() { AppInfo::setSiteUrl(QUrl(QStringLiteral("http://127.0.0.1:1"))); }
    void versionCheckFails();
    void messageIsKept();
};

namespace {

// Presses the button and waits for the client to be done; the press must
// leave it busy until control is back in the event loop.
void pressAndWait(QObject *dialog, const char *button)
{
    auto *site = TestSupport::child<SiteClient>(dialog, "siteClient");
    QTest::mouseClick(TestSupport::child<QPushButton>(dialog, button), Qt::LeftButton);
    QVERIFY(site->isBusy());
    QVERIFY(QTest::qWaitFor([site] { return !site->isBusy(); }, 10000));
}

} // namespace

void TestSiteMissing::versionCheckFails()
{
    TestSupport::BoxAnswerer answerer;
    About about;
    about.show();
    QVERIFY(answerer.seen.isEmpty()); // no word about the module at the start

    pressAndWait(&about, "pushButton_checkForNewVersion");

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].text,
             QStringLiteral("Κάτι πήγε στραβά, δεν μπόρεσα να κάνω τον έλεγχο."));
    QVERIFY(TestSupport::child<QPushButton>(&about, "pushButton_checkForNewVersion")->isEnabled());
}

void TestSiteMissing::messageIsKept()
{
    TestSupport::BoxAnswerer answerer;
    Contact contact;
    contact.show();
    auto *text = TestSupport::child<QTextEdit>(&contact, "textEdit");
    text->setPlainText(QStringLiteral("Please add a 24 % rate"));

    pressAndWait(&contact, "pushButton_3");

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].text,
             QStringLiteral("Το μήνυμά σας δεν στάλθηκε. Κάτι πήγε στραβά, παρακαλώ "
                            "ξαναδοκιμάστε.\nΣας ευχαριστώ πολύ."));
    QVERIFY(contact.isVisible());
    QCOMPARE(text->toPlainText(), QStringLiteral("Please add a 24 % rate"));
    QVERIFY(TestSupport::child<QPushButton>(&contact, "pushButton_3")->isEnabled());
}

METRINO_TEST_MAIN(TestSiteMissing)
#include "tst_sitemissing.moc"

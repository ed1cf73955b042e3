// The hand-over between two copies of the program, in one process: the
// running copy's channel, what callers may send it, and a later start.

#include "app/localchannel.h"
#include "app/singleinstance.h"
#include "testsupport.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <optional>

namespace {

const QByteArray request = "show\n";
const QByteArray answer = "shown\n";

// Runs the call on a thread of its own while this thread's event loop, and
// with it the running copy, goes on; gives what the call gave.
template <typename Result>
std::optional<Result> whileAnswering(std::function<Result()> call)
{
    std::optional<Result> result;
    std::atomic_bool done = false;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        result = call();
        done = true;
    }));
    thread->start();
    // The call's own timeout ends it.
    while (!done)
        QTest::qWait(10);
    thread->wait();
    return result;
}

} // namespace

class TestLocalChannel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void callersAreHeardWithinBounds_data();
    void callersAreHeardWithinBounds();
    void aLaterStartShowsTheRunningCopy_data();
    void aLaterStartShowsTheRunningCopy();

private:
    QTemporaryDir folder;
};

void TestLocalChannel::initTestCase()
{
    QVERIFY(folder.isValid());
}

// Only the request, whole and alone, is answered: a caller is never trusted
// to end its line, nor to stop sending, nor to say anything at all; and none
// holds up a later start.
void TestLocalChannel::callersAreHeardWithinBounds_data()
{
    QTest::addColumn<QByteArrayList>("sent"); // in pieces, as a caller may send them
    QTest::addColumn<bool>("answered");
    QTest::newRow("the request") << QByteArrayList{request} << true;
    QTest::newRow("the request in pieces") << QByteArrayList{"sh", "ow", "\n"} << true;
    QTest::newRow("another line") << QByteArrayList{"quit\n"} << false;
    QTest::newRow("the request twice") << QByteArrayList{request + request} << false;
    QTest::newRow("a line with no end") << QByteArrayList{QByteArray(100000, 's')} << false;
    QTest::newRow("nothing but an end") << QByteArrayList{"\n"} << false;
    QTest::newRow("nothing") << QByteArrayList{} << false;
}

void TestLocalChannel::callersAreHeardWithinBounds()
{
    QFETCH(QByteArrayList, sent);
    QFETCH(bool, answered);
    const QString name = SingleInstance::serverName(folder.path());
    LocalChannel channel(request, answer);
    QVERIFY(channel.listen(name));
    QSignalSpy requested(&channel, &LocalChannel::requested);

    QLocalSocket caller;
    caller.connectToServer(name);
    QVERIFY(caller.waitForConnected(5000));
    for (const QByteArray &piece : sent) {
        caller.write(piece);
        QTRY_VERIFY(caller.bytesToWrite() == 0 || caller.state() != QLocalSocket::ConnectedState);
    }
    // A later start is answered meanwhile, within the time it waits.
    const auto nextAnswered = whileAnswering<bool>(
        [&] { return LocalChannel::ask(name, request, answer, 1500); });
    QCOMPARE(nextAnswered, true);

    // The channel answers the request, and lets go at once of a caller that
    // said anything else.
    if (answered)
        QTRY_VERIFY_WITH_TIMEOUT(caller.bytesAvailable() >= answer.size(), 10000);
    else if (!sent.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(caller.state(), QLocalSocket::UnconnectedState, 2000);
    QCOMPARE(caller.readAll(), answered ? answer : QByteArray());
    QCOMPARE(requested.count(), answered ? 2 : 1);
}

// A second start on the same data folder finds the list taken, has the
// running copy come to the front, and ends, however the folder is spelled;
// once the first has gone, a start takes the list.
void TestLocalChannel::aLaterStartShowsTheRunningCopy_data()
{
    QTest::addColumn<QString>("spelling"); // of the folder "data", for the later start
    QTest::newRow("the same") << "data";
    QTest::newRow("with a closing separator") << "data/";
#ifdef Q_OS_WIN
    QTest::newRow("in capitals") << "DATA";
#else
    QTest::newRow("through a link") << "link";
#endif
}

void TestLocalChannel::aLaterStartShowsTheRunningCopy()
{
    QFETCH(QString, spelling);
    const QString data = folder.filePath("data");
    QVERIFY(QDir().mkpath(data));
    QFile::link(data, folder.filePath("link"));
    {
        SingleInstance running(data);
        QCOMPARE(running.claim(), SingleInstance::Claim::Claimed);
        QSignalSpy shown(&running, &SingleInstance::shownAgain);
        const auto later = whileAnswering<SingleInstance::Claim>([&] {
            SingleInstance second(folder.filePath(spelling));
            return second.claim();
        });
        QCOMPARE(later, SingleInstance::Claim::Shown);
        QCOMPARE(shown.count(), 1);
    }
    SingleInstance next(data);
    QCOMPARE(next.claim(), SingleInstance::Claim::Claimed);
}

int main(int argc, char **argv)
{
    TestSupport::prepareEnvironment();
    QCoreApplication app(argc, argv);
    TestLocalChannel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_localchannel.moc"

// The real program, started as a user starts it: one copy per user and data
// folder, and the list kept when the program is told to end.

#include "app/singleinstance.h"
#include "list/listfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

QString listPath()
{
    return TestSupport::dataDirectory() + "/list.xml";
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A started copy of the program, in this test's throw-away folders.
struct Program {
    QProcess process;

    Program()
    {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral(METRINO_PROGRAM), QStringList());
    }
    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    bool end(int signal)
    {
        ::kill(pid_t(process.processId()), signal);
        return process.waitForFinished(10000);
    }
};

// Whether a running copy answers on the data folder's socket.
bool copyAnswers()
{
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::serverName(TestSupport::dataDirectory()));
    return socket.waitForConnected(200);
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void secondStartEndsAndTheFirstKeepsItsList();
    void aCrashedCopyDoesNotBlockTheNextStart();
    void endsWhenToldEvenIfTheListCannotBeWritten();
};

void TestProgram::secondStartEndsAndTheFirstKeepsItsList()
{
    const EntryGroup rows = {{"100,00", "23,00", "23,00", "123,00"}};
    const QStringList names = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};
    const QByteArray saved = ListFile::serialize(names, {rows, rows});
    // A ninth group, which no tab shows: the file must be copied before it
    // is replaced.
    QByteArray withNinthGroup = saved;
    withNinthGroup.replace("</fpa>\n", " <fpa-tab name=\"x\" ID=\"8\"/>\n</fpa>\n");
    QDir().mkpath(TestSupport::dataDirectory());
    QVERIFY(ListFile::write(listPath(), withNinthGroup));

    Program first;
    QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
    Program second;
    QVERIFY(second.process.waitForFinished(10000));
    QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process.exitCode(), 0);
    QCOMPARE(first.process.state(), QProcess::Running);
    QCOMPARE(readFile(listPath()), withNinthGroup);

    // Told to end, the first copy writes its list, keeping the old file.
    QVERIFY(first.end(SIGTERM));
    QCOMPARE(first.process.exitCode(), 0);
    QCOMPARE(readFile(listPath()), saved);
    QCOMPARE(readFile(TestSupport::dataDirectory() + "/list.before-1.xml"), withNinthGroup);
}

void TestProgram::aCrashedCopyDoesNotBlockTheNextStart()
{
    {
        Program crashing;
        QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
        QVERIFY(crashing.end(SIGKILL));
    }
    QVERIFY(QFile::exists(SingleInstance::serverName(TestSupport::dataDirectory())));
    Program next;
    QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
    QCOMPARE(next.process.state(), QProcess::Running);
    QVERIFY(next.end(SIGTERM));
}

// Nothing was changed, so nothing is lost and no box waits for an answer.
void TestProgram::endsWhenToldEvenIfTheListCannotBeWritten()
{
    QFile::remove(listPath());
    QVERIFY(QDir().mkpath(listPath()));
    Program program;
    QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
    QVERIFY(program.end(SIGTERM));
    QCOMPARE(program.process.exitCode(), 0);
    QVERIFY(QFileInfo(listPath()).isDir());
    QVERIFY(QDir().rmdir(listPath()));
}

METRINO_TEST_MAIN(TestProgram)
#include "tst_program.moc"

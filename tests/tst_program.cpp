// The real program, started as a user starts it: one copy per user and data
// folder, and the list kept when the program is told to end.

#include "app/singleinstance.h"
#include "list/listfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

// Where the program, started with this test's HOME and XDG folders, keeps
// its list: the test itself uses other folders of its own.
QString dataDirectory()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + "/" + AppInfo::organisationName() + "/"
           + AppInfo::applicationName();
}

QString listPath()
{
    return dataDirectory() + "/list.xml";
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A started copy of the program, in this test's throw-away folders.
struct Program {
    QProcess process;

    explicit Program(
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.setProcessEnvironment(environment);
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
    socket.connectToServer(SingleInstance::serverName(dataDirectory()));
    return socket.waitForConnected(200);
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void secondStartEndsAndTheFirstKeepsItsList();
    void savesWhenToldToEnd_data();
    void savesWhenToldToEnd();
    void onlyOneCopyPerDataFolder_data();
    void onlyOneCopyPerDataFolder();
    void aCrashedCopyDoesNotBlockTheNextStart();
    void endsWhenToldEvenIfTheListCannotBeWritten();
};

// The list as the program writes it, and the same with a ninth group, which
// no tab shows: a file the program must copy before it replaces it.
struct ListOnDisk {
    QByteArray saved;
    QByteArray withNinthGroup;
};

ListOnDisk putListWithANinthGroup()
{
    const EntryGroup rows = {{"100,00", "23,00", "23,00", "123,00"}};
    const QStringList names = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};
    ListOnDisk list{ListFile::serialize(names, {rows, rows}), {}};
    list.withNinthGroup = list.saved;
    list.withNinthGroup.replace("</fpa>\n", " <fpa-tab name=\"x\" ID=\"8\"/>\n</fpa>\n");
    QDir().mkpath(dataDirectory());
    for (const QString &name : QDir(dataDirectory()).entryList({"list.*"}))
        QFile::remove(dataDirectory() + "/" + name);
    if (!ListFile::write(listPath(), list.withNinthGroup))
        qFatal("cannot write %s", qPrintable(listPath()));
    return list;
}

void TestProgram::secondStartEndsAndTheFirstKeepsItsList()
{
    const ListOnDisk list = putListWithANinthGroup();

    Program first;
    QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
    Program second;
    QVERIFY(second.process.waitForFinished(10000));
    QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process.exitCode(), 0);
    QCOMPARE(first.process.state(), QProcess::Running);
    QCOMPARE(readFile(listPath()), list.withNinthGroup);
    QVERIFY(first.end(SIGTERM));
}

// Told to end by a log-out or from a terminal, the program writes its list,
// keeping the old file, and ends normally.
void TestProgram::savesWhenToldToEnd_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGQUIT") << int(SIGQUIT);
}

void TestProgram::savesWhenToldToEnd()
{
    QFETCH(int, signal);
    const ListOnDisk list = putListWithANinthGroup();

    Program program;
    QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
    // The list is read in the background; let it arrive, as a user's entry
    // would, before the signal.
    QTest::qWait(1500);
    QVERIFY(program.end(signal));
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process.exitCode(), 0);
    QCOMPARE(readFile(listPath()), list.saved);
    QCOMPARE(readFile(dataDirectory() + "/list.before-1.xml"), list.withNinthGroup);
}

// A second copy on the same data folder ends at once, even when the socket
// cannot find the first (started without the same runtime folder, as from
// another shell or sudo) or the first takes the request and never answers.
void TestProgram::onlyOneCopyPerDataFolder_data()
{
    QTest::addColumn<bool>("firstAnswers");
    QTest::newRow("another runtime folder") << true;
    QTest::newRow("a copy that never answers") << false;
}

void TestProgram::onlyOneCopyPerDataFolder()
{
    QFETCH(bool, firstAnswers);
    QDir().mkpath(dataDirectory());
    QTemporaryDir otherRuntime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", otherRuntime.path());

    std::unique_ptr<Program> first;
    QLockFile lock(dataDirectory() + "/list.xml.lock");
    QLocalServer silent;
    if (firstAnswers) {
        first = std::make_unique<Program>();
        QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
    } else {
        // Holds the lock and takes connections, as a copy does, but this
        // test's event loop does not run while it waits: no answer comes.
        lock.setStaleLockTime(0);
        QVERIFY(lock.tryLock());
        QLocalServer::removeServer(SingleInstance::serverName(dataDirectory()));
        QVERIFY(silent.listen(SingleInstance::serverName(dataDirectory())));
        environment = QProcessEnvironment::systemEnvironment();
    }
    Program second(environment);
    QVERIFY(second.process.waitForFinished(5000));
    QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process.exitCode(), 0);
    if (first) {
        QCOMPARE(first->process.state(), QProcess::Running);
        QVERIFY(first->end(SIGTERM));
    }
}

void TestProgram::aCrashedCopyDoesNotBlockTheNextStart()
{
    {
        Program crashing;
        QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
        QVERIFY(crashing.end(SIGKILL));
    }
    QVERIFY(QFile::exists(SingleInstance::serverName(dataDirectory())));
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

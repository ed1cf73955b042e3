// The real program, started as a user starts it: one copy per user and data
// folder, and the list kept when the program is told to end.

#include "app/moduleloader.h"
#include "app/singleinstance.h"
#include "core/listfile.h"
#include "list/exportmodule.h"
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
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.setProcessEnvironment(environment);
        process.setChildProcessModifier([fileSizeLimit] {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
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

// Whether a running copy comes to the front when asked: its windows are made
// and its event loop runs.
bool copyShows()
{
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::serverName(dataDirectory()));
    if (!socket.waitForConnected(200))
        return false;
    socket.write("show\n");
    return socket.waitForReadyRead(2000) && socket.readAll() == "shown\n";
}

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
    void aLeftOverLockDoesNotBlockTheNextStart_data();
    void aLeftOverLockDoesNotBlockTheNextStart();
    void endsWhenToldEvenIfTheListCannotBeWritten();
    void theExportModuleLoadsWhole();
    void startsWithoutWhatFewRunsNeed();
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
    QTest::addColumn<int>("fileSizeLimit"); // 0: none
    QTest::newRow("SIGTERM") << int(SIGTERM) << 0;
    QTest::newRow("SIGINT") << int(SIGINT) << 0;
    QTest::newRow("SIGHUP") << int(SIGHUP) << 0;
    QTest::newRow("SIGQUIT") << int(SIGQUIT) << 0;
    // The save fails as on a full disk; the old file stays as it was.
    QTest::newRow("a file size limit smaller than the list") << int(SIGTERM) << 100;
}

void TestProgram::savesWhenToldToEnd()
{
    QFETCH(int, signal);
    QFETCH(int, fileSizeLimit);
    const ListOnDisk list = putListWithANinthGroup();

    Program program(QProcessEnvironment::systemEnvironment(),
                    fileSizeLimit > 0 ? rlim_t(fileSizeLimit) : RLIM_INFINITY);
    QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
    // The list is read in the background; let it arrive, as a user's entry
    // would, before the signal.
    QTest::qWait(1500);
    QVERIFY(program.end(signal));
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    if (fileSizeLimit > 0) {
        QCOMPARE(readFile(listPath()), list.withNinthGroup);
        return;
    }
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
    QTest::addColumn<bool>("secondEnds"); // or tells the user in a box, which waits
    QTest::newRow("another runtime folder") << true << false;
    QTest::newRow("a read-only data folder") << true << true;
    QTest::newRow("a copy that never answers") << false << false;
}

// A second copy that cannot reach the first, which keeps the list locked,
// tells the user so rather than end without a word.
void TestProgram::onlyOneCopyPerDataFolder()
{
    QFETCH(bool, firstAnswers);
    QFETCH(bool, secondEnds);
    QDir().mkpath(dataDirectory());
    const bool readOnly = QByteArray(QTest::currentDataTag()).contains("read-only");
    if (readOnly && ::geteuid() == 0)
        QSKIP("an administrator writes into read-only folders");
    const auto writable = QFile::permissions(dataDirectory());
    if (readOnly)
        QFile::setPermissions(dataDirectory(), QFile::ReadOwner | QFile::ExeOwner);
    const auto restore = qScopeGuard([&] { QFile::setPermissions(dataDirectory(), writable); });
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
    Program second(readOnly ? QProcessEnvironment::systemEnvironment() : environment);
    if (secondEnds) {
        QVERIFY(second.process.waitForFinished(5000));
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 0);
    } else {
        QVERIFY(!second.process.waitForFinished(5000));
    }
    if (first) {
        QCOMPARE(first->process.state(), QProcess::Running);
        QVERIFY(first->end(SIGTERM));
    }
}

// What a copy that is gone, a power cut or a machine of another name may
// leave in the lock's place; nothing but a plain file is opened.
void TestProgram::aLeftOverLockDoesNotBlockTheNextStart_data()
{
    QTest::addColumn<QByteArray>("lock");
    QTest::newRow("a crashed copy") << QByteArray("crash");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("\x01\xff garbage\n\n\n");
    QTest::newRow("another computer's, an hour old") << QByteArray("4242\nmetrino\nelsewhere\n");
    QTest::newRow("a folder") << QByteArray("folder");
    QTest::newRow("a link to nothing") << QByteArray("link");
    QTest::newRow("a pipe") << QByteArray("pipe");
}

void TestProgram::aLeftOverLockDoesNotBlockTheNextStart()
{
    QFETCH(QByteArray, lock);
    const QString lockPath = dataDirectory() + "/list.xml.lock";
    QDir().mkpath(dataDirectory());
    QFile::remove(lockPath);
    if (lock == "crash") {
        Program crashing;
        QTRY_VERIFY_WITH_TIMEOUT(copyAnswers(), 10000);
        QVERIFY(crashing.end(SIGKILL));
        QVERIFY(QFile::exists(SingleInstance::serverName(dataDirectory())));
    } else if (lock == "folder") {
        QVERIFY(QDir().mkdir(lockPath));
    } else if (lock == "link") {
        QVERIFY(QFile::link(dataDirectory() + "/nowhere", lockPath));
    } else if (lock == "pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(lockPath).constData(), 0600), 0);
    } else {
        QFile file(lockPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lock);
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    }
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
// The program loads its export module on the first file or print command: a
// module that lacks a symbol fails only then, in the user's hands.
void TestProgram::theExportModuleLoadsWhole()
{
    QPluginLoader loader(QStringLiteral(METRINO_EXPORT_MODULE_PATH));
    loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    auto *module = qobject_cast<ExportModule *>(loader.instance());
    QVERIFY2(module, qPrintable(loader.errorString()));
    const TabExportCommands commands = module->commands();
    QVERIFY(commands.toCsv && commands.toPdf && commands.print && commands.printOrOfferPdf);
#ifdef METRINO_XLSX
    QVERIFY(commands.toXlsx);
#endif

    // One that is missing is told, in Greek, by its name.
    QString reason;
    QVERIFY(!ModuleLoader::instance(QStringLiteral("metrino-missing.so"), &reason));
    QVERIFY2(reason.contains(QStringLiteral("Λείπει το αρχείο metrino-missing.so")),
             qPrintable(reason));
}

// Printing, the exports and the site, with the libraries they bring, are
// loaded when first used; the icons of the windows are read without trying
// every image plugin first.
void TestProgram::startsWithoutWhatFewRunsNeed()
{
    Program program;
    QTRY_VERIFY_WITH_TIMEOUT(copyShows(), 10000);
    QTest::qWait(500); // the list window is made once the calculator is painted
    const QByteArray maps =
        readFile(QString("/proc/%1/maps").arg(program.process.processId()));
    QVERIFY(maps.contains("libQt6Widgets"));
    for (const char *unneeded : {"libQt6Network", "libQt6PrintSupport", "/imageformats/",
                                 "metrino-export", "metrino-site", "libxlsxwriter"})
        QVERIFY2(!maps.contains(unneeded), unneeded);
    QVERIFY(program.end(SIGTERM));
}

#include "tst_program.moc"

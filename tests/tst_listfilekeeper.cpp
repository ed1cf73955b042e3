// The keeper of the saved list's file: reading it into the list, writing it
// back, and what it keeps of a file it cannot show.

#include "core/entrydate.h"
#include "core/listfile.h"
#include "core/listfilekeeper.h"
#include "core/rateset.h"
#include "core/savedlist.h"
#include "listsamples.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {

// Reading a long list takes what it takes on a slow or busy machine: the test
// waits for it until CTest's time limit.
const int asLongAsItTakes = std::numeric_limits<int>::max();

// A list and the keeper of its file.
struct Kept {
    SavedList list{RateSet(), groupNames};
    ListFileKeeper keeper;
    explicit Kept(const QString &path)
        : keeper(path, list)
    {
    }
};

bool save(Kept &kept, WriteFailure *failure = nullptr,
          QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever))
{
    return kept.keeper.saveNow(deadline, failure);
}

#ifndef Q_OS_WIN
// Lets no file grow past limit bytes while it lives, as a full disk would.
struct FileSizeLimit {
    rlimit original{};
    explicit FileSizeLimit(rlim_t limit)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &original);
        rlimit small = original;
        small.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &original); }
};
#endif

} // namespace

class TestListFileKeeper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void writesEachEntryInItsTwoGroups();
    void readsBackWhatItWrote();
    void refilesAListWrittenUnderOtherRates();
    void keepsACopyOfWhatItCannotShow_data();
    void keepsACopyOfWhatItCannotShow();
    void savingWaitsForTheWholeList();
    void changesWhileLoadingWaitForTheRows();
    void writesEveryChangeWithinTwoSeconds();
    void savesInOrder_data();
    void savesInOrder();
    void staysWithinWhatTheReaderTakes_data();
    void staysWithinWhatTheReaderTakes(); // leaves a reader busy: keep it last

private:
    QString path() const { return dir->filePath("list.xml"); }
    std::unique_ptr<Kept> open() const;

    std::unique_ptr<QTemporaryDir> dir;
};

void TestListFileKeeper::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
}

void TestListFileKeeper::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

// A test that put a file where the folder was leaves nothing behind.
void TestListFileKeeper::cleanup()
{
    if (QFileInfo(dir->path()).isFile())
        QFile::remove(dir->path());
    dir.reset();
}

std::unique_ptr<Kept> TestListFileKeeper::open() const
{
    auto kept = std::make_unique<Kept>(path());
    kept->keeper.load();
    if (!QTest::qWaitFor([&kept] { return kept->keeper.isLoaded(); }, asLongAsItTakes))
        qFatal("the saved list never finished loading");
    return kept;
}

// The rates changed in the settings between two runs: the file read at the
// next start is filed under the rates in force, and kept in no copy.
void TestListFileKeeper::refilesAListWrittenUnderOtherRates()
{
    QVERIFY(ListFile::write(path(), groupNames, groupsFrom("0:afdkl 1:a 4:d 7:fkl")));
    const QStringList names2016 = {"Όλα", "24%", "13%", "6%", "9%", "17%", "4%", "Λοιπά"};
    SavedList later(RateSet::from2016(), names2016);
    ListFileKeeper keeper(path(), later);
    keeper.load();
    QVERIFY(QTest::qWaitFor([&keeper] { return keeper.isLoaded(); }));
    QCOMPARE(groupsOf(later), "0:afdkl 1:f 4:d 5:k 6:l 7:a");
    QVERIFY(keeper.hasUnsavedChanges());
    QVERIFY(keeper.saveNow(QDeadlineTimer::Forever));
    QCOMPARE(QDir(dir->path()).entryList({"list.*-*.xml"}), QStringList());
}

void TestListFileKeeper::writesEachEntryInItsTwoGroups()
{
    const auto kept = open();
    SavedList *list = &kept->list;
    list->addEntry(letters.value('a'));
    QVERIFY(save(*kept));
    const QString added = list->entries(0).value(0).date;
    QVERIFY(EntryDate::isValid(added));
    const QByteArray item = "  <fpa-item poso=\"100,00\" fpa=\"23,00\" extraPoso=\"23,00\" "
                            "finalPoso=\"123,00\" Id=\"0\" date=\""
                            + added.toUtf8() + "\"/>\n";
    QCOMPARE(readFile(path()), "<fpa>\n"
                               " <fpa-tab name=\"Όλα\" ID=\"0\">\n"
                                   + item
                                   + " </fpa-tab>\n"
                                     " <fpa-tab name=\"23%\" ID=\"1\">\n"
                                   + item
                                   + " </fpa-tab>\n"
                                     " <fpa-tab name=\"13%\" ID=\"2\"/>\n"
                                     " <fpa-tab name=\"6.5%\" ID=\"3\"/>\n"
                                     " <fpa-tab name=\"9%\" ID=\"4\"/>\n"
                                     " <fpa-tab name=\"16%\" ID=\"5\"/>\n"
                                     " <fpa-tab name=\"5%\" ID=\"6\"/>\n"
                                     " <fpa-tab name=\"Λοιπά\" ID=\"7\"/>\n"
                                     "</fpa>\n");
    QCOMPARE(kept->keeper.state(), ListFileKeeper::State::Clean);
    QVERIFY(!kept->keeper.hasUnsavedChanges());
}

// Dates too: those of the entries added, and none for the rows of a file
// written before dates were kept.
void TestListFileKeeper::readsBackWhatItWrote()
{
    const QString odd = "a<b>&\"c\"\n'd'";
    writeFile(path(), ListFile::serialize(groupNames, {{letters.value('i')}}));
    QStringList dates;
    {
        const auto kept = open();
        SavedList *list = &kept->list;
        list->addEntry(letters.value('a'));
        list->addEntry({"1,00", "6,50", "0,07", "1,07"});
        list->addEntry({"2,00", "7,00", "0,14", "2,14"});
        list->addEntry({odd, odd, "", " "});
        QVERIFY(save(*kept));
        for (const Entry &entry : list->entries(0))
            dates << entry.date;
    }
    const auto kept = open();
    const SavedList *again = &kept->list;
    const QString a = "100,00|23,00|23,00|123,00";
    QCOMPARE(rowTexts(again->entries(0)),
             (QStringList{"1,00|5,00|0,05|1,05", a, "1,00|6,50|0,07|1,07", "2,00|7,00|0,14|2,14",
                          odd + "|" + odd + "||" + " "}));
    QCOMPARE(dates.size(), 5);
    QVERIFY(dates.at(0).isEmpty());
    for (int row = 0; row < dates.size(); ++row) {
        QCOMPARE(again->entries(0).at(row).date, dates.at(row));
        QCOMPARE(EntryDate::isValid(dates.at(row)), row > 0);
    }
    QCOMPARE(rowTexts(again->entries(1)), QStringList{a});
    QCOMPARE(rowTexts(again->entries(3)), QStringList{"1,00|6,50|0,07|1,07"});
    QCOMPARE(rowTexts(again->entries(7)),
             (QStringList{"2,00|7,00|0,14|2,14", odd + "|" + odd + "||" + " "}));
    QVERIFY(totalsFollowRows(*again));
    QCOMPARE(again->totals(7).text(),
             "2 εγγραφές · Αρχική 2,00 · Φ.Π.Α. 0,14 · Τελική 2,14 · 1 χωρίς ποσό");
}

// A list.xml as found at start; then an entry is added and the list saved.
void TestListFileKeeper::keepsACopyOfWhatItCannotShow_data()
{
    const QByteArray item = "<fpa-item poso=\"1,00\" fpa=\"5,00\" extraPoso=\"0,05\" "
                            "finalPoso=\"1,05\" Id=\"0\"/>";
    const QByteArray asWritten = ListFile::serialize(groupNames, {{letters.value('i')}});
    QTest::addColumn<QByteArray>("content"); // empty: none
    QTest::addColumn<QString>("copy");       // empty: none is kept
    QTest::addColumn<QString>("rowsAfter");  // of Όλα, read back; "-" when not replaced

    QTest::newRow("none") << QByteArray() << QString() << "j";
    QTest::newRow("as written") << asWritten << QString() << "ij";
    QByteArray damaged = asWritten;
    QTest::newRow("damaged attribute name")
        << damaged.replace("extraPoso", "extraPo$o") << "list.before-1.xml"
        << "?j";
    damaged = asWritten;
    QTest::newRow("ninth group") << damaged.replace("</fpa>",
                                                    " <fpa-tab>" + item + "</fpa-tab>\n</fpa>")
                                 << "list.before-1.xml"
                                 << "ij";
    damaged = asWritten;
    QTest::newRow("row outside any group")
        << damaged.replace("</fpa>", item + "</fpa>") << "list.before-1.xml"
        << "ij";
    QTest::newRow("cut short, the rows before kept")
        << asWritten.left(asWritten.indexOf("</fpa-tab>")) << "list.unreadable-1.xml"
        << "ij";
    QTest::newRow("cut short, beside an earlier copy")
        << asWritten.left(asWritten.indexOf("</fpa-tab>")) << "list.unreadable-2.xml"
        << "ij";
    QTest::newRow("cut short, beside a link to nothing of a copy's name")
        << asWritten.left(asWritten.indexOf("</fpa-tab>")) << "list.unreadable-2.xml"
        << "ij";
    QTest::newRow("replaced on disk while the list runs")
        << ListFile::serialize(groupNames, {{letters.value('a')}}) << "list.changed-1.xml"
        << "ij";
    QTest::newRow("a folder in its place") << QByteArray("folder") << QString() << "-";
#ifndef Q_OS_WIN
    QTest::newRow("a pipe in its place") << QByteArray("pipe") << QString() << "-";
    QTest::newRow("a full disk while writing")
        << QByteArray("<fpa><fpa-tab><fpa-item poso=\"7\"/></fpa-tab></fpa>") << "list.before-1.xml"
        << "-";
#endif
}

void TestListFileKeeper::keepsACopyOfWhatItCannotShow()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, copy);
    QFETCH(QString, rowsAfter);

    const QString tag = QTest::currentDataTag();
    if (tag.contains("earlier copy"))
        writeFile(dir->filePath("list.unreadable-1.xml"), "an earlier copy");
    else if (tag.contains("link to nothing"))
        QVERIFY(
            QFile::link(dir->filePath("gone/list.xml"), dir->filePath("list.unreadable-1.xml")));
    if (content == "folder")
        QVERIFY(QDir(dir->path()).mkdir("list.xml"));
#ifndef Q_OS_WIN
    else if (content == "pipe")
        QCOMPARE(mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
#endif
    else if (tag.contains("replaced"))
        writeFile(path(), ListFile::serialize(groupNames, {{letters.value('i')}}));
    else if (!content.isEmpty())
        writeFile(path(), content);
    {
        const auto kept = open(); // would wait for a writer for ever if it opened a pipe
        SavedList *list = &kept->list;
        if (tag.contains("replaced"))
            writeFile(path(), content);
        list->addEntry(letters.value('j'));
#ifndef Q_OS_WIN
        if (tag.contains("full disk")) {
            for (int i = 0; i < 50; ++i)
                list->addEntry({QString::number(i), "5,00", "0,05", "1,05"});
            const FileSizeLimit small(1000);
            QVERIFY(!save(*kept));
        } else
#endif
        {
            QCOMPARE(save(*kept), rowsAfter != "-");
            QCOMPARE(save(*kept), rowsAfter != "-"); // and no second copy
        }
    }

    const QFileInfo left(path());
    if (rowsAfter == "-") {
        QVERIFY(content.size() < 10 ? !left.isFile() : readFile(path()) == content);
        QFile::remove(path()); // a pipe, before anything opens it
    } else {
        QCOMPARE(groupsOf(open()->list).section(' ', 0, 0), "0:" + rowsAfter);
    }
    if (!copy.isEmpty())
        QCOMPARE(readFile(dir->filePath(copy)), content);
    QStringList copies = QDir(dir->path()).entryList({"list.*-*.xml"}, QDir::Files);
    copies.removeAll("list.unreadable-1.xml");
    QCOMPARE(copies,
             copy.isEmpty() || copy == "list.unreadable-1.xml" ? QStringList() : QStringList{copy});
}

// Rows are put in from the event loop; saving before they are all in waits
// for the rest instead of writing half the list.
void TestListFileKeeper::savingWaitsForTheWholeList()
{
    QList<EntryGroup> groups(8);
    for (int i = 0; i < 20000; ++i)
        groups[i % 2 ? 0 : 7] << Entry{QString::number(i), "1,00", "0,01", "1,01"};
    const QByteArray content = ListFile::serialize(groupNames, groups);
    writeFile(path(), content);

    Kept kept(path());
    kept.keeper.load();
    QVERIFY(!kept.keeper.isLoaded());
    QCOMPARE(kept.keeper.state(), ListFileKeeper::State::Loading);
    QVERIFY(save(kept));
    QVERIFY(kept.keeper.isLoaded());
    QCOMPARE(readFile(path()), content);
}

// A change asked for while the file is read waits its turn, and counts as
// not yet saved.
void TestListFileKeeper::changesWhileLoadingWaitForTheRows()
{
    QList<EntryGroup> groups(8);
    for (int i = 0; i < 20000; ++i)
        groups[i % 2 ? 0 : 7] << Entry{QString::number(i), "1,00", "0,01", "1,01"};
    groups[0] << letters.value('a');
    writeFile(path(), ListFile::serialize(groupNames, groups));

    Kept kept(path());
    SavedList &list = kept.list;
    kept.keeper.load();
    kept.keeper.whenLoaded([&list] { list.addEntry(letters.value('a')); }); // in Όλα, at its end
    kept.keeper.whenLoaded([&list] { list.removeAll(7); });
    QVERIFY(kept.keeper.hasUnsavedChanges());
    QVERIFY(QTest::qWaitFor([&kept] { return kept.keeper.isLoaded(); }, asLongAsItTakes));
    QCOMPARE(list.entries(0).size(), 10001);
    QCOMPARE(list.entries(1), EntryGroup{letters.value('a')});
    QVERIFY(list.entries(7).isEmpty());
    list.undo();
    QCOMPARE(list.entries(7).size(), 10000);
}

void TestListFileKeeper::writesEveryChangeWithinTwoSeconds()
{
    const auto kept = open();
    SavedList *list = &kept->list;
    // A data folder removed while the program runs is made again.
    QVERIFY(dir->remove());
    list->addEntry(letters.value('a'));
    list->addEntry({"7,00", "23,00", "1,61", "8,61"});
    QTRY_VERIFY_WITH_TIMEOUT(readFile(path()).contains("poso=\"7,00\""), 2000);
    QTRY_COMPARE(kept->keeper.state(), ListFileKeeper::State::Clean);

    list->removeRow(1, 1);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(path()).count("poso=\"7,00\""), 1, 2000);
    list->removeAll(0);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(path()).count("poso="), 1, 2000);
    list->undo();
    QTRY_COMPARE_WITH_TIMEOUT(readFile(path()).count("poso="), 3, 2000);
}

// Writes that cross each other: whatever ends last, the file holds the
// latest rows, and a failure is told only while the file lacks something.
void TestListFileKeeper::savesInOrder_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("inFile"); // the rows of Όλα on disk at the end
    QTest::addColumn<int>("failuresTold");

    QTest::newRow("a save at once after a background one") << "add a, soon, add b, now"
                                                           << "ab" << 0;
    QTest::newRow("a change while a background save runs") << "add a, soon, add b, wait"
                                                           << "ab" << 0;
    QTest::newRow("a background failure then a save at once")
        << "block, add a, soon, unblock, now, wait"
        << "a" << 0;
    QTest::newRow("a failure is told once") << "block, add a, wait, add b, wait"
                                            << "" << 1;
    QTest::newRow("a change and a second save soon while a save runs")
        << "add a, soon, add b, soon, wait"
        << "ab" << 0;
    QTest::newRow("no failure told when nothing is lost") << "block, soon, wait"
                                                          << "" << 0;
    QTest::newRow("giving up stops writing") << "add a, now, giveup, add b, soon, wait"
                                             << "a" << 0;
    QTest::newRow("and again after a write that worked")
        << "block, add a, wait, unblock, add b, wait, block, add c, wait, unblock, now"
        << "abc" << 2;
}

void TestListFileKeeper::savesInOrder()
{
    QFETCH(QString, steps);
    QFETCH(QString, inFile);
    QFETCH(int, failuresTold);

    const auto kept = open();
    SavedList *list = &kept->list;
    QSignalSpy failures(&kept->keeper, &ListFileKeeper::saveFailed);
    // A change while a write runs is told apart from one with none running.
    bool changedWhileSaving = false;
    connect(&kept->keeper, &ListFileKeeper::stateChanged, this,
            [&, before = kept->keeper.state()](ListFileKeeper::State state) mutable {
                changedWhileSaving |= before == ListFileKeeper::State::Saving
                                      && state == ListFileKeeper::State::Changed;
                before = state;
            });
    for (const QString &step : steps.split(", ")) {
        if (step.startsWith("add "))
            list->addEntry(letters.value(step.at(4)));
        else if (step == "soon")
            kept->keeper.saveSoon();
        else if (step == "now")
            QVERIFY(save(*kept));
        else if (step == "wait")
            QVERIFY(QTest::qWaitFor(
                [&kept] {
                    const ListFileKeeper::State state = kept->keeper.state();
                    return state == ListFileKeeper::State::Clean
                           || state == ListFileKeeper::State::Failed
                           || state == ListFileKeeper::State::GivenUp;
                },
                5000));
        else if (step == "block") // a plain file where the data folder belongs
            QVERIFY(dir->remove() && (writeFile(dir->path(), "in the way"), true));
        else if (step == "unblock")
            QVERIFY(QFile::remove(dir->path()) && QDir().mkpath(dir->path()));
        else if (step == "giveup")
            kept->keeper.giveUp();
    }
    QTest::qWait(100); // for a late report
    QString rows;
    ListFile::read(path(), 1, [&rows](int, EntryGroup &&read) {
        for (const Entry &entry : read)
            rows += letterOf(entry);
    });
    QCOMPARE(rows, inFile);
    QCOMPARE(failures.size(), failuresTold);
    QVERIFY(!changedWhileSaving);
}

// What is written can always be read back: a list as large as the file can
// be takes nothing more. And nothing waits without end for a reader: one busy
// with a hostile file is neither waited for by a save nor at the end.
void TestListFileKeeper::staysWithinWhatTheReaderTakes_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("as large as its file can be") << "full";
    QTest::newRow("an element of a million attributes") << "hostile";
}

void TestListFileKeeper::staysWithinWhatTheReaderTakes()
{
    QFETCH(QString, file);
    const QString long996(996, 'x');
    const auto longEntry = [&long996](int i) {
        const QString text = long996 + QString::number(1000 + i);
        return Entry{text, text, text, text};
    };
    QByteArray content;
    if (file == "full") {
        QList<EntryGroup> groups(8);
        for (int i = 0; i < 8160; ++i)
            groups[7] << longEntry(i);
        content = ListFile::serialize(groupNames, groups);
    } else {
        content = "<fpa><fpa-tab><fpa-item";
        for (int i = 0; i < 1000000; ++i)
            content += " a" + QByteArray::number(i) + "=\"\"";
        content += "/></fpa-tab></fpa>";
    }
    writeFile(path(), content);

    auto kept = std::make_unique<Kept>(path());
    SavedList *list = &kept->list;
    QSignalSpy full(list, &SavedList::full);
    kept->keeper.load();
    WriteFailure failure;
    if (file == "full") {
        for (int i = 0; i < 50; ++i)
            kept->keeper.whenLoaded(
                [list, i, &longEntry] { list->addEntry(longEntry(10000 + i)); });
        QVERIFY(save(*kept, &failure));
        QVERIFY(!full.isEmpty());
        QVERIFY(QFileInfo(path()).size() <= ListFile::maxFileSize);
        QCOMPARE(ListFile::read(path(), 8, [](int, EntryGroup &&) {}),
                 ListFile::ReadStatus::Complete);
    } else {
        kept->keeper.whenLoaded([list] { list->addEntry(letters.value('a')); });
        if (!save(*kept, &failure, QDeadlineTimer(100))) {
            QVERIFY(kept->keeper.hasUnsavedChanges());
            QCOMPARE(failure.code, WriteFailure::StillReading);
            QCOMPARE(readFile(path()), content);
        }
        kept.reset(); // a join of the reader would time this test out
    }
}

QTEST_GUILESS_MAIN(TestListFileKeeper)
#include "tst_listfilekeeper.moc"

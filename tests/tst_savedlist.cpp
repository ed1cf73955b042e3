// The saved list's rules and its file, without a window.

#include "core/entrydate.h"
#include "core/listfile.h"
#include "core/rateset.h"
#include "core/ratetabs.h"
#include "core/savedlist.h"

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

const QStringList groupNames = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};

// Entries by letter, for the tables below.
const QHash<QChar, Entry> letters = [] {
    QHash<QChar, Entry> letters = {
        {'a', {"100,00", "23,00", "23,00", "123,00"}},
        {'b', {"200,00", "23,00", "46,00", "246,00"}},
        {'c', {"300,00", "23,00", "69,00", "369,00"}},
        {'d', {"100,00", "9,00", "9,00", "109,00"}},
        {'e', {"10,00", "6,50", "1,00", "11,00"}},
        {'f', {"10,00", "24,00", "1,00", "11,00"}},
        {'g', {"100,00", "13,00", "23,00", "123,00"}},
        {'h', {"100,00", "13,00", "23,00", "124,00"}},
        {'i', {"1,00", "5,00", "0,05", "1,05"}},
        {'j', {"2,00", "5,00", "0,10", "2,10"}},
        {'k', {"100,00", "17,00", "17,00", "117,00"}},
        {'l', {"100,00", "4,00", "4,00", "104,00"}},
        {'m', {"1,00", "7,00", "0,07", "1,07"}},
        {'n', {"10,00", "6.500", "0,65", "10,65"}},
        {'o', {"1,00", "17,00", "0,17", "1,17"}},
    };
    // And A to T, at 24 % and 7 % by turns.
    for (int i = 0; i < 20; ++i)
        letters.insert(QChar('A' + i), {QString::number(i + 1) + ",00", i % 2 ? "7,00" : "24,00",
                                        "0,00", QString::number(i + 1) + ",00"});
    return letters;
}();

QChar letterOf(const Entry &entry)
{
    for (auto it = letters.cbegin(); it != letters.cend(); ++it) {
        if (it.value() == entry)
            return it.key();
    }
    return '?';
}

// The groups that hold rows, as "0:abc 1:ab".
QString groupsOf(const SavedList &list)
{
    QStringList groups;
    for (int group = 0; group < list.groupCount(); ++group) {
        QString rows;
        for (const Entry &entry : list.entries(group))
            rows += letterOf(entry);
        if (!rows.isEmpty())
            groups << QString::number(group) + ':' + rows;
    }
    return groups.join(' ');
}

// The groups of a description as groupsOf() gives it.
QList<EntryGroup> groupsFrom(const QString &description)
{
    QList<EntryGroup> groups(groupNames.size());
    for (const QString &group : description.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = group.split(':');
        for (QChar letter : parts.at(1))
            groups[parts.at(0).toInt()] << letters.value(letter);
    }
    return groups;
}

QStringList rowTexts(const EntryGroup &entries)
{
    QStringList rows;
    for (const Entry &entry : entries)
        rows << QStringList{entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso}.join('|');
    return rows;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
}

// Whether the running totals of every group are those of its rows as they
// are now, summed afresh.
bool totalsFollowRows(const SavedList &list)
{
    for (int group = 0; group < list.groupCount(); ++group) {
        GroupTotals fresh;
        for (const Entry &entry : list.entries(group))
            fresh.add(entry);
        if (list.totals(group).text() != fresh.text()) {
            qWarning("group %d: %s, afresh %s", group, qPrintable(list.totals(group).text()),
                     qPrintable(fresh.text()));
            return false;
        }
    }
    return true;
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

class TestSavedList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void followsTheRules_data();
    void followsTheRules();
    void tellsViewsWhatChanged();
    void followsNewRates_data();
    void followsNewRates();
    void writesEachEntryInItsTwoGroups();
    void readsBackWhatItWrote();
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
    std::unique_ptr<SavedList> open() const;

    std::unique_ptr<QTemporaryDir> dir;
};

void TestSavedList::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
}

void TestSavedList::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

// A test that put a file where the folder was leaves nothing behind.
void TestSavedList::cleanup()
{
    if (QFileInfo(dir->path()).isFile())
        QFile::remove(dir->path());
    dir.reset();
}

std::unique_ptr<SavedList> TestSavedList::open() const
{
    auto list = std::make_unique<SavedList>(path(), RateSet(), groupNames);
    list->load();
    if (!QTest::qWaitFor([&list] { return list->isLoaded(); }, asLongAsItTakes))
        qFatal("the saved list never finished loading");
    return list;
}

// Commands on an empty list, one per step ("add a", "remove 1 0", "clear 0",
// "undo"), and the rows of every group after them.
void TestSavedList::followsTheRules_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QString>("lastFiled"); // group, row, new or old

    QTest::newRow("23% and Όλα") << QStringList{"add a"} << "0:a 1:a"
                                 << "1 0 new";
    QTest::newRow("6.5") << QStringList{"add e"} << "0:e 3:e"
                         << "3 0 new";
    QTest::newRow("6.500, with a mark that groups digits in Greek")
        << QStringList{"add n"} << "0:n 3:n"
        << "3 0 new";
    QTest::newRow("24 goes to Λοιπά") << QStringList{"add f"} << "0:f 7:f"
                                      << "7 0 new";
    QTest::newRow("the same entry again") << QStringList{"add a", "add b", "add a"} << "0:ab 1:ab"
                                          << "1 0 old";
    QTest::newRow("entries differing in one text")
        << QStringList{"add g", "add h", "add a"} << "0:gha 1:a 2:gh"
        << "1 0 new";
    QTest::newRow("new rows go to the end")
        << QStringList{"add i", "add j", "add a", "add d"} << "0:ijad 1:a 4:d 6:ij"
        << "4 0 new";
    QTest::newRow("again after deleting it from Όλα")
        << QStringList{"add a", "remove 0 0", "add a"} << "0:a 1:a"
        << "1 0 old";
    QTest::newRow("again after deleting it from its rate")
        << QStringList{"add a", "remove 1 0", "add a"} << "0:a 1:a"
        << "1 0 new";
    QTest::newRow("a row removed from one group only")
        << QStringList{"add a", "add b", "remove 1 0"} << "0:ab 1:b"
        << "1 1 new";
    QTest::newRow("a row past the end is no row")
        << QStringList{"add a", "remove 1 1", "remove 2 0"} << "0:a 1:a"
        << "1 0 new";
    QTest::newRow("emptying Όλα empties no other group")
        << QStringList{"add a", "add b", "add d", "clear 0"} << "1:ab 4:d"
        << "4 0 new";
    QTest::newRow("emptying a rate")
        << QStringList{"add a", "add b", "add d", "clear 1"} << "0:abd 4:d"
        << "4 0 new";
    QTest::newRow("undo a removal in place")
        << QStringList{"add a", "add b", "add c", "remove 1 1", "undo"} << "0:abc 1:abc"
        << "1 2 new";
    QTest::newRow("undo emptying a group")
        << QStringList{"add a", "add b", "clear 1", "undo"} << "0:ab 1:ab"
        << "1 1 new";
    QTest::newRow("undo the latest first")
        << QStringList{"add a", "add b", "add c", "remove 1 0", "remove 1 0", "undo"}
        << "0:abc 1:bc"
        << "1 2 new";
    QTest::newRow("undo twice") << QStringList{"add a",      "add b", "add c", "remove 1 0",
                                               "remove 1 0", "undo",  "undo"}
                                << "0:abc 1:abc"
                                << "1 2 new";
    QTest::newRow("undo leaves out a row added again since")
        << QStringList{"add a", "add b", "add c", "remove 1 1", "add b", "undo"} << "0:abc 1:acb"
        << "1 2 new";
    QTest::newRow("undo of part of an emptied group added again")
        << QStringList{"add a", "add b", "clear 1", "add b", "undo"} << "0:ab 1:ab"
        << "1 0 new";
    QTest::newRow("undo with nothing to undo") << QStringList{"add a", "undo"} << "0:a 1:a"
                                               << "1 0 new";
}

void TestSavedList::followsTheRules()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, groups);
    QFETCH(QString, lastFiled);

    const auto list = open();
    QString filed;
    connect(list.get(), &SavedList::entryFiled, this, [&filed](int group, int row, bool isNew) {
        filed = QStringLiteral("%1 %2 %3").arg(group).arg(row).arg(isNew ? "new" : "old");
    });
    for (const QString &step : steps) {
        const QStringList words = step.split(' ');
        if (words[0] == "add")
            list->addEntry(letters.value(words[1][0]));
        else if (words[0] == "remove")
            list->removeRow(words[1].toInt(), words[2].toInt());
        else if (words[0] == "clear")
            list->removeAll(words[1].toInt());
        else if (words[0] == "undo")
            list->undo();
    }
    QCOMPARE(groupsOf(*list), groups);
    QCOMPARE(filed, lastFiled);
    QVERIFY(totalsFollowRows(*list));
    for (int group = 0; group < list->groupCount(); ++group) {
        for (const Entry &entry : list->entries(group))
            QVERIFY(list->contains(group, entry));
    }
}

// What the signals tell is enough to follow the groups without reading them
// again.
void TestSavedList::tellsViewsWhatChanged()
{
    const auto list = open();
    QList<EntryGroup> followed(list->groupCount());
    connect(list.get(), &SavedList::rowsInserted, this, [&](int group, int first, int count) {
        for (int i = 0; i < count; ++i)
            followed[group].insert(first + i, list->entries(group).at(first + i));
    });
    connect(list.get(), &SavedList::rowsRemoved, this,
            [&](int group, int first, const EntryGroup &removed) {
                QCOMPARE(followed[group].mid(first, removed.size()), removed);
                followed[group].remove(first, removed.size());
            });
    connect(list.get(), &SavedList::groupReset, this,
            [&](int group) { followed[group] = list->entries(group); });

    for (QChar letter : QStringLiteral("abcdefgh"))
        list->addEntry(letters.value(letter));
    list->removeRow(0, 2);
    list->removeAll(1);
    list->removeRow(2, 0);
    list->undo();
    list->undo();
    list->addEntry(letters.value('b'));
    for (int group = 0; group < list->groupCount(); ++group)
        QCOMPARE(followed[group], list->entries(group));
}

// The groups of a file read by position, and the groups after the rates from
// 2016 apply: 23 % and 5 % are no longer preset, 24 %, 17 % and 4 % are.
void TestSavedList::followsNewRates_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("moves");

    QTest::newRow("nothing moves") << "0:dgm 2:g 4:d 7:m"
                                   << "0:dgm 2:g 4:d 7:m" << 0;
    QTest::newRow("each way") << "0:afdkl 1:a 4:d 7:fkl"
                              << "0:afdkl 1:f 4:d 5:k 6:l 7:a" << 4;
    QTest::newRow("coming rows follow the staying ones in the order of Όλα")
        << "0:eibam 1:ab 3:e 6:i 7:m"
        << "0:eibam 7:meiba" << 4;
    QTest::newRow("rows that Όλα lacks come last") << "0:bm 1:ab 7:m"
                                                   << "0:bm 7:mba" << 2;
    QTest::newRow("a row its new group holds is not doubled") << "0:af 1:a 7:af"
                                                              << "0:af 1:f 7:a" << 2;
    QTest::newRow("the same row from two groups comes once") << "0:a 1:a 6:a"
                                                             << "0:a 7:a" << 2;
    QTest::newRow("two runs leaving one group") << "0:AbCm 7:AbCm"
                                                << "0:AbCm 1:AC 7:bm" << 2;
    QTest::newRow("rows leaving from all over a group")
        << "0:ABCDEFGHIJKLMNOPQRSTm 7:ABCDEFGHIJKLMNOPQRSTm"
        << "0:ABCDEFGHIJKLMNOPQRSTm 1:ACEGIKMOQS 7:BDFHJLNPRTm" << 10;
}

void TestSavedList::followsNewRates()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, moves);

    QVERIFY(ListFile::write(path(), groupNames, groupsFrom(before)));
    const auto list = open();
    QCOMPARE(groupsOf(*list), before);
    list->removeRow(0, 0);
    list->undo();
    QVERIFY(list->save());

    QList<EntryGroup> followed = groupsFrom(before);
    connect(list.get(), &SavedList::rowsInserted, this, [&](int group, int first, int count) {
        followed[group].append(list->entries(group).mid(first, count));
    });
    connect(list.get(), &SavedList::rowsRemoved, this,
            [&](int group, int first, const EntryGroup &removed) {
                QCOMPARE(followed[group].mid(first, removed.size()), removed);
                followed[group].remove(first, removed.size());
            });
    connect(list.get(), &SavedList::groupReset, this,
            [&](int group) { followed[group] = list->entries(group); });

    QCOMPARE(list->countMoves(RateSet::from2016()), moves);
    QCOMPARE(groupsOf(*list), before);
    const QStringList names2016 = {"Όλα", "24%", "13%", "6%", "9%", "17%", "4%", "Λοιπά"};
    QSignalSpy refiled(list.get(), &SavedList::refiled);
    QString filed;
    connect(list.get(), &SavedList::entryFiled, this, [&](int group, int row, bool isNew) {
        filed = QStringLiteral("%1 %2 %3").arg(group).arg(row).arg(isNew ? "new" : "old");
    });

    // Given up, the list stays as it was; an entry added meanwhile waits,
    // then follows the rates the list kept (17 % to "Λοιπά").
    const auto lastRowOf = [&](int group) { return int(list->entries(group).size()) - 1; };
    list->followRates(RateSet::from2016(), RateTabs::groupNames(RateSet::from2016()));
    QVERIFY(list->isRefiling());
    list->addEntry(letters.value('o'));
    list->cancelRefiling();
    QCOMPARE(refiled.count(), 1);
    QCOMPARE(refiled.at(0).at(0).toBool(), false);
    QVERIFY(!list->isRefiling());
    QTRY_VERIFY(!filed.isEmpty());
    QCOMPARE(filed, QString("7 %1 new").arg(lastRowOf(7)));
    QCOMPARE(list->groupNames(), groupNames);
    QVERIFY(list->rates() == RateSet::until2015());
    list->removeRow(7, lastRowOf(7));
    list->removeRow(0, lastRowOf(0));
    QCOMPARE(groupsOf(*list), before);

    // Worked out on a thread, while the rows stay as they were and commands
    // wait; then taken in at once, and the entry goes to 17 %.
    list->followRates(RateSet::from2016(), RateTabs::groupNames(RateSet::from2016()));
    list->addEntry(letters.value('o'));
    QCOMPARE(groupsOf(*list), before);
    QVERIFY(QTest::qWaitFor([&] { return !list->isRefiling(); }));
    QCOMPARE(refiled.count(), 2);
    QCOMPARE(refiled.at(1).at(0).toBool(), true);
    QCOMPARE(list->groupNames(), names2016);
    QVERIFY(list->rates() == RateSet::from2016());
    QVERIFY(!list->canUndo());
    QCOMPARE(filed, QString("5 %1 new").arg(lastRowOf(5)));
    list->removeRow(5, lastRowOf(5));
    list->removeRow(0, lastRowOf(0));
    QCOMPARE(groupsOf(*list), after);
    for (int group = 0; group < list->groupCount(); ++group) {
        QCOMPARE(followed[group], list->entries(group));
        for (const Entry &entry : list->entries(group))
            QVERIFY(list->contains(group, entry));
    }
    QVERIFY(totalsFollowRows(*list));
    QVERIFY(list->save());

    // The rates changed in the settings between two runs: the file read at
    // the next start is filed the same way, and kept in no copy.
    QVERIFY(ListFile::write(path(), groupNames, groupsFrom(before)));
    SavedList later(path(), RateSet::from2016(), names2016);
    later.load();
    QVERIFY(QTest::qWaitFor([&later] { return later.isLoaded(); }));
    QCOMPARE(groupsOf(later), after);
    QVERIFY(later.save());
    QCOMPARE(QDir(dir->path()).entryList({"list.*-*.xml"}), QStringList());
}

void TestSavedList::writesEachEntryInItsTwoGroups()
{
    const auto list = open();
    list->addEntry(letters.value('a'));
    QVERIFY(list->save());
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
    QCOMPARE(list->fileState(), ListStore::State::Clean);
    QVERIFY(!list->hasUnsavedChanges());
}

// Dates too: those of the entries added, and none for the rows of a file
// written before dates were kept.
void TestSavedList::readsBackWhatItWrote()
{
    const QString odd = "a<b>&\"c\"\n'd'";
    writeFile(path(), ListFile::serialize(groupNames, {{letters.value('i')}}));
    QStringList dates;
    {
        const auto list = open();
        list->addEntry(letters.value('a'));
        list->addEntry({"1,00", "6,50", "0,07", "1,07"});
        list->addEntry({"2,00", "7,00", "0,14", "2,14"});
        list->addEntry({odd, odd, "", " "});
        QVERIFY(list->save());
        for (const Entry &entry : list->entries(0))
            dates << entry.date;
    }
    const auto again = open();
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
void TestSavedList::keepsACopyOfWhatItCannotShow_data()
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

void TestSavedList::keepsACopyOfWhatItCannotShow()
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
        const auto list = open(); // would wait for a writer for ever if it opened a pipe
        if (tag.contains("replaced"))
            writeFile(path(), content);
        list->addEntry(letters.value('j'));
#ifndef Q_OS_WIN
        if (tag.contains("full disk")) {
            for (int i = 0; i < 50; ++i)
                list->addEntry({QString::number(i), "5,00", "0,05", "1,05"});
            const FileSizeLimit small(1000);
            QVERIFY(!list->save());
        } else
#endif
        {
            QCOMPARE(list->save(), rowsAfter != "-");
            QCOMPARE(list->save(), rowsAfter != "-"); // and no second copy
        }
    }

    const QFileInfo left(path());
    if (rowsAfter == "-") {
        QVERIFY(content.size() < 10 ? !left.isFile() : readFile(path()) == content);
        QFile::remove(path()); // a pipe, before anything opens it
    } else {
        QCOMPARE(groupsOf(*open()).section(' ', 0, 0), "0:" + rowsAfter);
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
void TestSavedList::savingWaitsForTheWholeList()
{
    QList<EntryGroup> groups(8);
    for (int i = 0; i < 20000; ++i)
        groups[i % 2 ? 0 : 7] << Entry{QString::number(i), "1,00", "0,01", "1,01"};
    const QByteArray content = ListFile::serialize(groupNames, groups);
    writeFile(path(), content);

    SavedList list(path(), RateSet(), groupNames);
    list.load();
    QVERIFY(!list.isLoaded());
    QCOMPARE(list.fileState(), ListStore::State::Loading);
    QVERIFY(list.save(nullptr, QDeadlineTimer(QDeadlineTimer::Forever)));
    QVERIFY(list.isLoaded());
    QCOMPARE(readFile(path()), content);
}

// A change asked for while the file is read waits its turn, and counts as
// not yet saved.
void TestSavedList::changesWhileLoadingWaitForTheRows()
{
    QList<EntryGroup> groups(8);
    for (int i = 0; i < 20000; ++i)
        groups[i % 2 ? 0 : 7] << Entry{QString::number(i), "1,00", "0,01", "1,01"};
    groups[0] << letters.value('a');
    writeFile(path(), ListFile::serialize(groupNames, groups));

    SavedList list(path(), RateSet(), groupNames);
    list.load();
    list.addEntry(letters.value('a')); // in Όλα already, at its end
    list.removeAll(7);
    QVERIFY(list.hasUnsavedChanges());
    QVERIFY(QTest::qWaitFor([&list] { return list.isLoaded(); }, asLongAsItTakes));
    QCOMPARE(list.entries(0).size(), 10001);
    QCOMPARE(list.entries(1), EntryGroup{letters.value('a')});
    QVERIFY(list.entries(7).isEmpty());
    list.undo();
    QCOMPARE(list.entries(7).size(), 10000);
}

void TestSavedList::writesEveryChangeWithinTwoSeconds()
{
    const auto list = open();
    // A data folder removed while the program runs is made again.
    QVERIFY(dir->remove());
    list->addEntry(letters.value('a'));
    list->addEntry({"7,00", "23,00", "1,61", "8,61"});
    QTRY_VERIFY_WITH_TIMEOUT(readFile(path()).contains("poso=\"7,00\""), 2000);
    QTRY_COMPARE(list->fileState(), ListStore::State::Clean);

    list->removeRow(1, 1);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(path()).count("poso=\"7,00\""), 1, 2000);
    list->removeAll(0);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(path()).count("poso="), 1, 2000);
    list->undo();
    QTRY_COMPARE_WITH_TIMEOUT(readFile(path()).count("poso="), 3, 2000);
}

// Writes that cross each other: whatever ends last, the file holds the
// latest rows, and a failure is told only while the file lacks something.
void TestSavedList::savesInOrder_data()
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
    QTest::newRow("and again after a write that worked")
        << "block, add a, wait, unblock, add b, wait, block, add c, wait, unblock, now"
        << "abc" << 2;
}

void TestSavedList::savesInOrder()
{
    QFETCH(QString, steps);
    QFETCH(QString, inFile);
    QFETCH(int, failuresTold);

    const auto list = open();
    QSignalSpy failures(list.get(), &SavedList::saveFailed);
    for (const QString &step : steps.split(", ")) {
        if (step.startsWith("add "))
            list->addEntry(letters.value(step.at(4)));
        else if (step == "soon")
            list->saveSoon();
        else if (step == "now")
            QVERIFY(list->save());
        else if (step == "wait")
            QVERIFY(QTest::qWaitFor(
                [&list] {
                    const ListStore::State state = list->fileState();
                    return state == ListStore::State::Clean || state == ListStore::State::Failed;
                },
                5000));
        else if (step == "block") // a plain file where the data folder belongs
            QVERIFY(dir->remove() && (writeFile(dir->path(), "in the way"), true));
        else if (step == "unblock")
            QVERIFY(QFile::remove(dir->path()) && QDir().mkpath(dir->path()));
    }
    QTest::qWait(100); // for a late report
    QString rows;
    ListFile::read(path(), 1, [&rows](int, EntryGroup &&read) {
        for (const Entry &entry : read)
            rows += letterOf(entry);
    });
    QCOMPARE(rows, inFile);
    QCOMPARE(failures.size(), failuresTold);
}

// What is written can always be read back: a list as large as the file can
// be takes nothing more. And nothing waits without end for a reader: one busy
// with a hostile file is neither waited for by a save nor at the end.
void TestSavedList::staysWithinWhatTheReaderTakes_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("as large as its file can be") << "full";
    QTest::newRow("an element of a million attributes") << "hostile";
}

void TestSavedList::staysWithinWhatTheReaderTakes()
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

    auto list = std::make_unique<SavedList>(path(), RateSet(), groupNames);
    QSignalSpy full(list.get(), &SavedList::full);
    list->load();
    QString reason;
    if (file == "full") {
        for (int i = 0; i < 50; ++i)
            list->addEntry(longEntry(10000 + i));
        QVERIFY(list->save(&reason, QDeadlineTimer(QDeadlineTimer::Forever)));
        QVERIFY(!full.isEmpty());
        QVERIFY(QFileInfo(path()).size() <= ListFile::maxFileSize);
        QCOMPARE(ListFile::read(path(), 8, [](int, EntryGroup &&) {}),
                 ListFile::ReadStatus::Complete);
    } else {
        list->addEntry(letters.value('a'));
        if (!list->save(&reason, QDeadlineTimer(100))) {
            QVERIFY(list->hasUnsavedChanges());
            QVERIFY(reason.contains("διαβάζεται"));
            QCOMPARE(readFile(path()), content);
        }
        list.reset(); // a join of the reader would time this test out
    }
}

QTEST_GUILESS_MAIN(TestSavedList)
#include "tst_savedlist.moc"

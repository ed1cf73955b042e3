// The saved list's rules, without a file.

#include "core/rateset.h"
#include "core/ratetabs.h"
#include "core/savedlist.h"
#include "listsamples.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestSavedList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void followsTheRules_data();
    void followsTheRules();
    void tellsViewsWhatChanged();
    void followsNewRates_data();
    void followsNewRates();

private:
    static std::unique_ptr<SavedList> open();
};

void TestSavedList::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
}

std::unique_ptr<SavedList> TestSavedList::open()
{
    return std::make_unique<SavedList>(RateSet(), groupNames);
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

    // Rows as a file or an import brings them, in one go.
    QSignalSpy inserted(list.get(), &SavedList::rowsInserted);
    list->appendRows(7, {letters.value('k'), letters.value('l')});
    QCOMPARE(inserted.size(), 1);
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
    QVERIFY(totalsFollowRows(*list));
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

    const auto list = open();
    const QList<EntryGroup> groups = groupsFrom(before);
    for (int group = 0; group < groups.size(); ++group)
        list->appendRows(group, groups.at(group));
    QCOMPARE(groupsOf(*list), before);
    list->removeRow(0, 0);
    list->undo();
    QSignalSpy changes(list.get(), &SavedList::changed);

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
    changes.clear();

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
    QVERIFY(!changes.isEmpty()); // the names, and the entry added and removed
}

QTEST_GUILESS_MAIN(TestSavedList)
#include "tst_savedlist.moc"

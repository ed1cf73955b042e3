#include "list/listfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The list file's reader and writer on their own, without any window.
class TestListFile : public QObject
{
    Q_OBJECT

private slots:
    void readsHandMadeFiles_data();
    void readsHandMadeFiles();

private:
    QTemporaryDir folder;
};

void TestListFile::readsHandMadeFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected"); // "tab:row" per loaded row

    const QByteArray a =
        "<fpa-item poso=\"1\" fpa=\"23,00\" extraPoso=\"2\" finalPoso=\"3\" Id=\"0\"/>";
    const QByteArray b =
        "<fpa-item poso=\"4\" fpa=\"13,00\" extraPoso=\"5\" finalPoso=\"6\" Id=\"0\"/>";

    QTest::newRow("groups by position, not by name or ID")
        << "<fpa><fpa-tab name=\"13%\" ID=\"2\">" + b + "</fpa-tab><fpa-tab name=\"Όλα\" ID=\"0\">"
               + a + "</fpa-tab></fpa>"
        << QStringList{"0:4|13,00|5|6", "1:1|23,00|2|3"};
    QTest::newRow("missing attribute") << QByteArray(
        "<fpa><fpa-tab><fpa-item poso=\"1\" extraPoso=\"2\" finalPoso=\"3\"/></fpa-tab></fpa>")
                                       << QStringList{"0:1||2|3"};
    QTest::newRow("other root name")
        << "<lista><fpa-tab>" + a + "</fpa-tab></lista>" << QStringList{"0:1|23,00|2|3"};
    QTest::newRow("duplicates kept") << "<fpa><fpa-tab/><fpa-tab>" + a + a + "</fpa-tab></fpa>"
                                     << QStringList{"1:1|23,00|2|3", "1:1|23,00|2|3"};
    QTest::newRow("items at any depth")
        << "<fpa><x><fpa-tab><y>" + a + "</y></fpa-tab></x>" + b + "</fpa>"
        << QStringList{"0:1|23,00|2|3"};
    QByteArray nine = "<fpa>";
    for (int i = 0; i < 9; ++i)
        nine += "<fpa-tab>" + a + "</fpa-tab>";
    QTest::newRow("more than eight groups")
        << nine + "</fpa>"
        << QStringList{"0:1|23,00|2|3", "1:1|23,00|2|3", "2:1|23,00|2|3", "3:1|23,00|2|3",
                       "4:1|23,00|2|3", "5:1|23,00|2|3", "6:1|23,00|2|3", "7:1|23,00|2|3"};
    QTest::newRow("declaration and BOM")
        << "\xEF\xBB\xBF<?xml version=\"1.0\"?><fpa><fpa-tab name=\"Όλα\">" + a + "</fpa-tab></fpa>"
        << QStringList{"0:1|23,00|2|3"};
    QTest::newRow("no elements") << QByteArray("   ") << QStringList();
    QTest::newRow("binary junk") << QByteArray("\x00\x01\xff\xfe<<>>&&", 10) << QStringList();
}

void TestListFile::readsHandMadeFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);

    const QString path = folder.filePath("list.xml");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();

    QList<QStringList> groups(8);
    ListFile::read(path, 8, [&groups](int group, EntryGroup &&rows) {
        for (const Entry &entry : rows) {
            groups[group]
                << QString::number(group) + ":"
                       + QStringList{entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso}.join(
                           '|');
        }
    });
    QStringList loaded;
    for (const QStringList &group : std::as_const(groups))
        loaded << group;
    QCOMPARE(loaded, expected);
}

QTEST_APPLESS_MAIN(TestListFile)
#include "tst_listfile.moc"

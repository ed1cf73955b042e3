#include "core/listexport.h"
#include "core/listfile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <ctime>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

struct Loaded {
    ListFile::ReadStatus status;
    QList<EntryGroup> groups;
    int rowCount() const
    {
        int count = 0;
        for (const EntryGroup &group : groups)
            count += group.size();
        return count;
    }
};

Loaded load(const QString &path)
{
    Loaded loaded{ListFile::ReadStatus::Missing, QList<EntryGroup>(8)};
    loaded.status = ListFile::read(
        path, 8, [&loaded](int group, EntryGroup &&rows) { loaded.groups[group] += rows; });
    return loaded;
}

// "tab:poso|fpa|extraPoso|finalPoso" per row, tab by tab, and "@date" for
// a row that has one.
QStringList describe(const QList<EntryGroup> &groups)
{
    QStringList rows;
    for (int i = 0; i < groups.size(); ++i) {
        for (const Entry &e : groups[i])
            rows << QString::number(i) + ":"
                        + QStringList{e.poso, e.fpa, e.extraPoso, e.finalPoso}.join('|')
                        + (e.date.isEmpty() ? QString() : "@" + e.date);
    }
    return rows;
}

void putFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QStringList tabNames = {"Όλα", "23%", "13%", "6.5%", "9%", "16%", "5%", "Λοιπά"};

QList<EntryGroup> sampleList(int entryCount)
{
    QList<EntryGroup> groups(8);
    for (int i = 0; i < entryCount; ++i) {
        const Entry entry{QString::number(i) + ",00", "23,00", "23,00", "123,00"};
        groups[0] << entry;
        groups[1] << entry;
    }
    return groups;
}

} // namespace

// The list file's reader and writer on their own, without any window.
class TestListFile : public QObject
{
    Q_OBJECT

private slots:
    void readsHandMadeFiles_data();
    void readsHandMadeFiles();
    void roundTrips_data();
    void roundTrips();
    void entriesDifferingInOneTextDiffer();
    void stopsAtItsLimits_data();
    void stopsAtItsLimits();
    void readsInLinearTime_data();
    void readsInLinearTime();
    void readingAndWritingTwiceKeepsTheSize_data();
    void readingAndWritingTwiceKeepsTheSize();
    void shortWriteKeepsTheOldFile_data();
    void shortWriteKeepsTheOldFile();
    void leavesSpecialFilesAlone_data();
    void leavesSpecialFilesAlone();
    void followsSymbolicLinks();
    void signsTheFileItRead();

private:
    QString listPath() const { return folder.filePath("list.xml"); }
    QTemporaryDir folder;
};

void TestListFile::readsHandMadeFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QStringList>("expected");

    const QByteArray a =
        "<fpa-item poso=\"1\" fpa=\"23,00\" extraPoso=\"2\" finalPoso=\"3\" Id=\"0\"/>";
    const QByteArray b =
        "<fpa-item poso=\"4\" fpa=\"13,00\" extraPoso=\"5\" finalPoso=\"6\" Id=\"0\"/>";
    const auto oneGroup = [](const QByteArray &items) {
        return "<fpa><fpa-tab>" + items + "</fpa-tab></fpa>";
    };

    QTest::newRow("groups by position, not by name or ID")
        << "<fpa><fpa-tab name=\"13%\" ID=\"2\">" + b + "</fpa-tab><fpa-tab name=\"Όλα\" ID=\"0\">"
               + a + "</fpa-tab></fpa>"
        << true << QStringList{"0:4|13,00|5|6", "1:1|23,00|2|3"};
    QTest::newRow("no poso") << oneGroup("<fpa-item fpa=\"1\" extraPoso=\"2\" finalPoso=\"3\"/>")
                             << true << QStringList{"0:|1|2|3"};
    QTest::newRow("no fpa") << oneGroup("<fpa-item poso=\"1\" extraPoso=\"2\" finalPoso=\"3\"/>")
                            << true << QStringList{"0:1||2|3"};
    QTest::newRow("no extraPoso") << oneGroup("<fpa-item poso=\"1\" fpa=\"2\" finalPoso=\"3\"/>")
                                  << true << QStringList{"0:1|2||3"};
    QTest::newRow("no finalPoso") << oneGroup("<fpa-item poso=\"1\" fpa=\"2\" extraPoso=\"3\"/>")
                                  << true << QStringList{"0:1|2|3|"};
    QTest::newRow("damaged attribute name")
        << oneGroup("<fpa-item poso=\"1\" fpa=\"23,00\" extraPo$o=\"23,00\" finalPoso=\"3\"/>")
        << true << QStringList{"0:1|23,00||3"};
    QTest::newRow("unknown attributes") << oneGroup(
        "<fpa-item note=\"x\" poso=\"1\" fpa=\"23,00\" extraPoso=\"2\" finalPoso=\"3\"/>")
                                        << true << QStringList{"0:1|23,00|2|3"};
    // A date is read as it is written, or not at all.
    QTest::newRow("dates") << oneGroup("<fpa-item poso=\"1\" date=\"20261209T1432\"/>"
                                       "<fpa-item poso=\"2\" date=\"20240229T0000\"/>"
                                       "<fpa-item poso=\"3\" date=\"20260229T1000\"/>"
                                       "<fpa-item poso=\"4\" date=\"20261209T2400\"/>"
                                       "<fpa-item poso=\"5\" date=\"2026-12-09T14:32:05+02:00\"/>"
                                       "<fpa-item poso=\"6\" date=\"2026-12-09T14:32\"/>"
                                       "<fpa-item poso=\"7\" date=\"٢٠٢٦1209T1432\"/>"
                                       "<fpa-item poso=\"8\" date=\""
                                       + QByteArray(5000, '2')
                                       + "\"/>"
                                         "<fpa-item poso=\"9\" date=\"\"/>")
                           << true
                           << QStringList{"0:1|||@20261209T1432",
                                          "0:2|||@20240229T0000",
                                          "0:3|||",
                                          "0:4|||",
                                          "0:5|||",
                                          "0:6|||",
                                          "0:7|||",
                                          "0:8|||",
                                          "0:9|||"};
    QTest::newRow("other root name")
        << "<lista><fpa-tab>" + a + "</fpa-tab></lista>" << true << QStringList{"0:1|23,00|2|3"};
    QTest::newRow("duplicates kept") << "<fpa><fpa-tab/><fpa-tab>" + a + a + "</fpa-tab></fpa>"
                                     << true << QStringList{"1:1|23,00|2|3", "1:1|23,00|2|3"};
    QTest::newRow("items at any depth, none outside a group")
        << "<fpa>" + a + "<x><fpa-tab><y>" + a + "</y></fpa-tab></x>" + b + "</fpa>" << true
        << QStringList{"0:1|23,00|2|3"};
    QTest::newRow("an item in nested groups belongs to the innermost")
        << "<fpa><fpa-tab>" + a + "<fpa-tab>" + b + "</fpa-tab>" + a + "</fpa-tab><fpa-tab>" + a
               + "</fpa-tab></fpa>"
        << true << QStringList{"0:1|23,00|2|3", "0:1|23,00|2|3", "1:4|13,00|5|6", "2:1|23,00|2|3"};
    QTest::newRow("prefixed names are other names")
        << "<fpa xmlns:p=\"urn:x\"><p:fpa-tab>" + a + "</p:fpa-tab><fpa-tab>" + b
               + "<p:fpa-item poso=\"7\"/><fpa-item p:poso=\"8\"/></fpa-tab></fpa>"
        << true << QStringList{"0:4|13,00|5|6", "0:|||"};
    QTest::newRow("undeclared prefix")
        << oneGroup("<q:note/>" + a) << true << QStringList{"0:1|23,00|2|3"};
    QByteArray nine = "<fpa>";
    for (int i = 0; i < 9; ++i)
        nine += "<fpa-tab>" + a + "</fpa-tab>";
    QTest::newRow("more than eight groups")
        << nine + "</fpa>" << true
        << QStringList{"0:1|23,00|2|3", "1:1|23,00|2|3", "2:1|23,00|2|3", "3:1|23,00|2|3",
                       "4:1|23,00|2|3", "5:1|23,00|2|3", "6:1|23,00|2|3", "7:1|23,00|2|3"};
    QTest::newRow("declaration and BOM")
        << "\xEF\xBB\xBF<?xml version=\"1.0\"?><fpa><fpa-tab name=\"Όλα\">" + a + "</fpa-tab></fpa>"
        << true << QStringList{"0:1|23,00|2|3"};
    QTest::newRow("cut short") << "<fpa><fpa-tab>" + a + b.left(20) << false
                               << QStringList{"0:1|23,00|2|3"};
    QTest::newRow("declared entities")
        << "<!DOCTYPE fpa [<!ENTITY x \"1\">]>" + oneGroup("<fpa-item poso=\"&x;\"/>") << false
        << QStringList();
    QTest::newRow("document type without declarations")
        << "<!DOCTYPE fpa>" + oneGroup(a) << true << QStringList{"0:1|23,00|2|3"};
    QTest::newRow("declared attribute defaults")
        << "<!DOCTYPE fpa [<!ATTLIST fpa-item poso CDATA \"1\">]>" + oneGroup(a) << false
        << QStringList();
    QTest::newRow("markup in comments, instructions and character data")
        << "<?x <fpa-item a=\"?>" + oneGroup("<!-- <x a=\" -->" + a + "<![CDATA[ <x a=\" ]]>" + b)
        << true << QStringList{"0:1|23,00|2|3", "0:4|13,00|5|6"};
    QTest::newRow("no elements") << QByteArray("   ") << false << QStringList();
    QTest::newRow("binary junk") << QByteArray("\x00\x01\xff\xfe<<>>&&", 10) << false
                                 << QStringList();
}

void TestListFile::readsHandMadeFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, complete);
    QFETCH(QStringList, expected);

    putFile(listPath(), content);
    const Loaded loaded = load(listPath());
    QCOMPARE(loaded.status,
             complete ? ListFile::ReadStatus::Complete : ListFile::ReadStatus::Unreadable);
    QCOMPARE(describe(loaded.groups), expected);
}

void TestListFile::roundTrips_data()
{
    QTest::addColumn<QList<EntryGroup>>("groups");

    QTest::newRow("empty list") << QList<EntryGroup>(8);
    QTest::newRow("more rows than are handed over at once") << sampleList(5000);
    QTest::newRow("entries differing only in the final amount") << QList<EntryGroup>{
        {{"100,00", "23,00", "23,00", "123,00"}, {"100,00", "23,00", "23,00", "123,01"}},
        {{"100,00", "23,00", "23,00", "123,00"}},
        {},
        {},
        {},
        {},
        {},
        {}};
    QTest::newRow("only a double quote")
        << QList<EntryGroup>{{{"1\"5", "\"", "2", "3"}}, {}, {}, {}, {}, {}, {}, {}};
    QTest::newRow("markup, blanks and line ends") << QList<EntryGroup>{
        {{"<a>&amp;'", " x  y ", "\t", "1\n2\r3\r\n"}}, {}, {}, {}, {}, {}, {}, {}};
    QTest::newRow("with and without dates") << QList<EntryGroup>{
        {{"1,00", "23,00", "0,23", "1,23", "20261209T1432"}, {"2,00", "23,00", "0,46", "2,46"}},
        {{"1,00", "23,00", "0,23", "1,23", "20261209T1432"}},
        {},
        {},
        {},
        {},
        {},
        {}};
    // Equal rows share their texts when read, never their dates.
    QTest::newRow("equal rows, other dates") << QList<EntryGroup>{
        {{"1,00", "23,00", "0,23", "1,23", "20261209T1432"}, {"1,00", "23,00", "0,23", "1,23"}},
        {{"1,00", "23,00", "0,23", "1,23", "20251231T2359"}, {"1,00", "24,00", "0,24", "1,24"}},
        {},
        {},
        {},
        {},
        {},
        {}};
    QTest::newRow("Greek and empty texts")
        << QList<EntryGroup>{{}, {}, {}, {}, {}, {}, {}, {{"εκατό", "", "Φ.Π.Α.", ""}}};
}

void TestListFile::roundTrips()
{
    QFETCH(QList<EntryGroup>, groups);

    const QByteArray content = ListFile::serialize(tabNames, groups);
    QVERIFY(ListFile::write(listPath(), tabNames, groups));
    QCOMPARE(fileContent(listPath()), content);
    const Loaded loaded = load(listPath());
    QCOMPARE(loaded.status, ListFile::ReadStatus::Complete);
    QCOMPARE(describe(loaded.groups), describe(groups));
    QCOMPARE(ListFile::serialize(tabNames, loaded.groups), content);

    // The file holds these groups, and neither more nor one byte other.
    QVERIFY(ListFile::holds(listPath(), tabNames, loaded.groups));
    QVERIFY(ListFile::write(listPath(), content + '\n'));
    QVERIFY(!ListFile::holds(listPath(), tabNames, loaded.groups));
    QByteArray changed = content;
    changed[changed.size() / 2] = '#';
    QVERIFY(ListFile::write(listPath(), changed));
    QVERIFY(!ListFile::holds(listPath(), tabNames, loaded.groups));
}

// The list keeps an entry once per tab by this comparison.
void TestListFile::entriesDifferingInOneTextDiffer()
{
    const Entry entry{"100,00", "23,00", "23,00", "123,00"};
    QVERIFY(entry == Entry(entry));
    QVERIFY(entry != (Entry{"100,01", "23,00", "23,00", "123,00"}));
    QVERIFY(entry != (Entry{"100,00", "23.00", "23,00", "123,00"}));
    QVERIFY(entry != (Entry{"100,00", "23,00", "23,01", "123,00"}));
    QVERIFY(entry != (Entry{"100,00", "23,00", "23,00", "123,01"}));
}

void TestListFile::stopsAtItsLimits_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("firstTextLength");

    const QByteArray item = "<fpa-item poso=\"1\"/>";
    QTest::newRow("huge text") << "<fpa><fpa-tab><fpa-item poso=\""
                                      + QByteArray(20 * 1024 * 1024, '9') + "\"/></fpa-tab></fpa>"
                               << true << 1 << ListFile::maxTextLength;
    QTest::newRow("longer file") << "<fpa><fpa-tab>" + item + "<!--"
                                        + QByteArray(ListFile::maxFileSize, ' ') + "-->" + item
                                        + "</fpa-tab></fpa>"
                                 << false << 1 << 1;
    // The toolkit's reader checks each attribute of a tag against the others.
    QTest::newRow("a million attributes")
        << "<fpa><fpa-tab>" + item + "<fpa-item" + QByteArray(" a=\"1\"").repeated(1000000)
               + "/></fpa-tab></fpa>"
        << false << 1 << 1;
    // At most 40 attributes a tag, also after a comment that the limits
    // must see the end of.
    const auto withAttributes = [](int count) {
        QByteArray tag = "<fpa-item poso=\"1\"";
        for (int i = 1; i < count; ++i)
            tag += " a" + QByteArray::number(i) + "=\"1\"";
        return tag + "/>";
    };
    QTest::newRow("40 attributes")
        << "<fpa><fpa-tab>" + item + withAttributes(40) + "</fpa-tab></fpa>" << true << 2 << 1;
    QTest::newRow("41 attributes after a comment")
        << "<fpa><fpa-tab>" + item + "<!-- a - comment -->" + withAttributes(41)
               + "</fpa-tab></fpa>"
        << false << 1 << 1;
    QTest::newRow("a long start tag")
        << "<fpa><fpa-tab>" + item + "<fpa-item" + QByteArray(1000000, ' ') + "/></fpa-tab></fpa>"
        << false << 1 << 1;
    QTest::newRow("deeper") << "<fpa><fpa-tab>" + item
                                   + QByteArray("<x>").repeated(ListFile::maxDepth)
                            << false << 1 << 1;
}

void TestListFile::stopsAtItsLimits()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, complete);
    QFETCH(int, rowCount);
    QFETCH(int, firstTextLength);

    putFile(listPath(), content);
    content.clear();
    const Loaded loaded = load(listPath());
    QCOMPARE(loaded.status,
             complete ? ListFile::ReadStatus::Complete : ListFile::ReadStatus::Unreadable);
    QCOMPARE(loaded.rowCount(), rowCount);
    QCOMPARE(loaded.groups[0].first().poso.size(), firstTextLength);
}

namespace {

// The processor time that reading a file takes, the least of a few tries.
double secondsToRead(const QString &path)
{
    double least = 1e9;
    for (int i = 0; i < 3; ++i) {
        const std::clock_t start = std::clock();
        load(path);
        least = std::min(least, double(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return least;
}

// A hostile file of n units of its kind.
QByteArray hostileFile(const QString &kind, int n)
{
    if (kind == "nested items") {
        const QByteArray item =
            "<fpa-item poso=\"100,00\" fpa=\"23,00\" extraPoso=\"23,00\" finalPoso=\"123,00\">";
        return "<fpa><fpa-tab>" + item.repeated(n) + QByteArray("</fpa-item>").repeated(n)
               + "</fpa-tab></fpa>";
    }
    if (kind == "UTF-16 attributes") { // U+3E00 is a ">" byte in UTF-16
        QString tag = "<fpa><fpa-tab><fpa-item";
        for (int i = 0; i < n; ++i)
            tag += QString(" a%1\u3E00=\"1\"").arg(i);
        QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        return utf16.encode(tag + "/></fpa-tab></fpa>");
    }
    // UTF-7, "<" "=" and '"' spelt in base 64.
    QByteArray tag = "<?xml version=\"1.0\" encoding=\"UTF-7\"?><fpa><fpa-tab>+ADw-fpa-item";
    for (int i = 0; i < n; ++i)
        tag += " a" + QByteArray::number(i) + "+AD0AIg-1+ACI-";
    return tag + "/></fpa-tab></fpa>";
}

} // namespace

// Four times the units take about four times as long; quadratic work would
// take sixteen. The texts of equal rows are shared through a table that
// outgrows the processor's caches as the file grows, so a linear reader can
// come to about eight times on a busy machine: ten is the bound.
// Encodings that hide markup from the limits are refused.
void TestListFile::readsInLinearTime_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("units");
    QTest::addColumn<bool>("complete");
    QTest::newRow("nested items") << "nested items" << 50000 << true;
    QTest::newRow("UTF-16 attributes") << "UTF-16 attributes" << 25000 << false;
    QTest::newRow("UTF-7 attributes") << "UTF-7 attributes" << 25000 << false;
}

void TestListFile::readsInLinearTime()
{
    QFETCH(QString, kind);
    QFETCH(int, units);
    QFETCH(bool, complete);
    double seconds[2];
    for (const int times : {1, 4}) {
        const int n = units * times;
        putFile(listPath(), hostileFile(kind, n));
        const Loaded loaded = load(listPath());
        QCOMPARE(loaded.status,
                 complete ? ListFile::ReadStatus::Complete : ListFile::ReadStatus::Unreadable);
        QCOMPARE(loaded.groups[0].size(), complete ? n : 0);
        seconds[times == 1 ? 0 : 1] = secondsToRead(listPath());
    }
    qInfo("read in %.3f s, four times as much in %.3f s", seconds[0], seconds[1]);
    QVERIFY(seconds[1] < 10 * std::max(seconds[0], 0.01));
}

// What is read is written back readable: a second round gives the same file.
void TestListFile::readingAndWritingTwiceKeepsTheSize_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("complete");

    const QByteArray item = "<fpa-item poso=\"1\"/>";
    QTest::newRow("nested groups")
        << "<fpa>" + QByteArray("<fpa-tab>").repeated(8) + item.repeated(1000)
               + QByteArray("</fpa-tab>" + item).repeated(8) + "</fpa>"
        << true;
    // Small in the file, each row is larger as written, with all its texts.
    QTest::newRow("more rows than fit when written")
        << "<fpa><fpa-tab>" + item.repeated(ListFile::maxRows + 1) + "</fpa-tab></fpa>" << false;
}

void TestListFile::readingAndWritingTwiceKeepsTheSize()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, complete);

    putFile(listPath(), content);
    content.clear();
    Loaded loaded = load(listPath());
    QCOMPARE(loaded.status,
             complete ? ListFile::ReadStatus::Complete : ListFile::ReadStatus::Unreadable);
    QVERIFY(ListFile::write(listPath(), tabNames, loaded.groups));
    const qint64 firstSize = QFileInfo(listPath()).size();
    QVERIFY(firstSize <= ListFile::maxFileSize);

    const int rowCount = loaded.rowCount();
    loaded = load(listPath());
    QCOMPARE(loaded.status, ListFile::ReadStatus::Complete);
    QCOMPARE(loaded.rowCount(), rowCount);
    QVERIFY(ListFile::write(listPath(), tabNames, loaded.groups));
    QCOMPARE(QFileInfo(listPath()).size(), firstSize);
}

void TestListFile::shortWriteKeepsTheOldFile_data()
{
    QTest::addColumn<qint64>("sizeLimit"); // bytes; -1: one byte short of the new file

    QTest::newRow("nothing fits") << qint64(0);
    QTest::newRow("first 4 KiB") << qint64(4096);
    QTest::newRow("all but the last byte") << qint64(-1);
}

void TestListFile::shortWriteKeepsTheOldFile()
{
#ifdef Q_OS_UNIX
    QFETCH(qint64, sizeLimit);

    const QByteArray old = ListFile::serialize(tabNames, sampleList(1500));
    const QByteArray next = ListFile::serialize(tabNames, sampleList(1600));
    QVERIFY(ListFile::write(listPath(), old));
    if (sizeLimit < 0)
        sizeLimit = next.size() - 1;

    // A file size limit holds for root too. Beyond it, a write stores what
    // still fits and the next one fails, like on a disk that fills up.
    rlimit original{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit limited = original;
    limited.rlim_cur = rlim_t(sizeLimit);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    WriteFailure failure;
    const bool written = ListFile::write(listPath(), next, &failure);
    const bool writtenInParts = ListFile::write(listPath(), tabNames, sampleList(1600));
    const QString copy = sizeLimit < old.size() ? ListFile::keepCopy(listPath()) : QString();
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QVERIFY(!writtenInParts);
    QCOMPARE(failure.code, WriteFailure::WriteFailed);
    QVERIFY(copy.isEmpty());
    QCOMPARE(fileContent(listPath()), old);
    const QDir::Filters everything =
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QCOMPARE(QDir(folder.path()).entryList(everything), QStringList{"list.xml"});
#else
    QSKIP("A file size limit that cuts a write short is a Unix facility");
#endif
}

#ifdef Q_OS_UNIX
namespace {

// A listening Unix socket at path, or -1.
int makeSocket(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof address.sun_path)
        return -1;
    std::copy(name.begin(), name.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0
        && (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::listen(fd, 1) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace
#endif

// Everything is made inside the test's own folder, links' targets included:
// a fault here must not reach the machine's own devices.
void TestListFile::leavesSpecialFilesAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
    QTest::newRow("socket") << "socket";
    QTest::newRow("link to a socket") << "link to a socket";
    QTest::newRow("device") << "device";
    QTest::newRow("link to itself") << "loop";
    QTest::newRow("link to nothing") << "dangling";
}

void TestListFile::leavesSpecialFilesAlone()
{
    QFETCH(QString, kind);
#ifndef Q_OS_UNIX
    if (kind != "folder")
        QSKIP("FIFOs, sockets, device nodes and symbolic links are made here with Unix calls");
#endif

    QTemporaryDir here;
    const QString path = here.filePath("list.xml");
    QStringList expectedEntries{"list.xml"};
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    int socket = -1;
    if (kind == "fifo") {
        QCOMPARE(mkfifo(name.constData(), 0600), 0);
    } else if (kind == "socket") {
        socket = makeSocket(path);
        QVERIFY(socket >= 0);
    } else if (kind == "link to a socket") {
        socket = makeSocket(here.filePath("socket"));
        QVERIFY(socket >= 0);
        QVERIFY(QFile::link(here.filePath("socket"), path));
        expectedEntries << "socket";
    } else if (kind == "device") {
        // The null device's numbers, on a node of the test's own.
        if (::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("Only root may make a device node");
    } else if (kind == "loop") {
        QVERIFY(QFile::link(path, path));
    } else if (kind == "dangling") {
        QVERIFY(QDir(here.path()).mkdir("elsewhere"));
        QVERIFY(QFile::link(here.filePath("elsewhere/list.xml"), path));
        expectedEntries.prepend("elsewhere");
    }
    const auto closeSocket = qScopeGuard([socket] {
        if (socket >= 0)
            ::close(socket);
    });
#endif
    if (kind == "folder")
        QVERIFY(QDir().mkdir(path));
#ifdef Q_OS_UNIX
    struct stat before;
    QCOMPARE(lstat(name.constData(), &before), 0);
#endif

    // Opening a FIFO to read from it would wait for ever.
    QCOMPARE(load(path).status,
             kind == "dangling" ? ListFile::ReadStatus::Missing : ListFile::ReadStatus::Unreadable);
    QVERIFY(ListFile::keepCopy(path).isEmpty());
    WriteFailure failure;
    QVERIFY(!ListFile::write(path, "<fpa/>", &failure));
    QVERIFY(failure.code != WriteFailure::None);
    // An export there follows the same rules.
    failure = WriteFailure();
    QVERIFY(!SafeFile::save(path, QByteArray("1;2\r\n"), &failure));
    QVERIFY(failure.code != WriteFailure::None);

#ifdef Q_OS_UNIX
    struct stat after;
    QCOMPARE(lstat(name.constData(), &after), 0);
    QCOMPARE(after.st_mode, before.st_mode);
#endif
    if (kind == "folder")
        QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(QDir(here.path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             expectedEntries);
}

void TestListFile::followsSymbolicLinks()
{
#ifdef Q_OS_UNIX
    QTemporaryDir here;
    const QString link = here.filePath("list.xml");
    const QString target = here.filePath("kept/list.xml");
    QVERIFY(QFile::link(target, link));

    // A link to nothing is no list, and is not followed: its target could be
    // anywhere, such as on a drive that is not there now.
    QCOMPARE(load(link).status, ListFile::ReadStatus::Missing);
    const QByteArray first = ListFile::serialize(tabNames, sampleList(1));
    WriteFailure failure;
    QVERIFY(!ListFile::write(link, first, &failure));
    QCOMPARE(failure.code, WriteFailure::DanglingLink);
    QVERIFY(!ListFile::write(link, tabNames, sampleList(1)));
    QVERIFY(!QFileInfo::exists(here.filePath("kept")));
    QVERIFY(ListFile::keepCopy(link).isEmpty());

    QVERIFY(QDir().mkpath(here.filePath("kept")));
    QVERIFY(ListFile::write(target, first));
    const QByteArray second = ListFile::serialize(tabNames, sampleList(2));
    QVERIFY(ListFile::write(link, second));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileContent(target), second);
    const Loaded loaded = load(link);
    QCOMPARE(loaded.status, ListFile::ReadStatus::Complete);
    QCOMPARE(loaded.rowCount(), 4);
    QCOMPARE(fileContent(ListFile::keepCopy(link, "old")), second);
#else
    QSKIP("Symbolic links are made here with Unix calls");
#endif
}

// A file put in place of the one being read has another signature than the
// one read: the list then keeps it aside before it writes over it.
void TestListFile::signsTheFileItRead()
{
#ifdef Q_OS_WIN
    QSKIP("Windows does not let a file that is open be replaced");
#endif
    const QByteArray read = ListFile::serialize(tabNames, sampleList(1));
    putFile(listPath(), read);
    const ListFile::Signature before = ListFile::signatureOf(listPath());
    ListFile::ReadInfo info;
    const auto replace = [this](int, EntryGroup &&) {
        QSaveFile replacement(listPath());
        QVERIFY(replacement.open(QIODevice::WriteOnly));
        replacement.write(ListFile::serialize(tabNames, sampleList(2)));
        QVERIFY(replacement.commit());
    };
    QCOMPARE(ListFile::read(listPath(), 8, replace, nullptr, &info),
             ListFile::ReadStatus::Complete);
    QCOMPARE(info.signature.size, read.size());
    QVERIFY(info.signature == before);
    QVERIFY(info.signature != ListFile::signatureOf(listPath()));
    QCOMPARE(info.groupNames, tabNames);
}

QTEST_APPLESS_MAIN(TestListFile)
#include "tst_listfile.moc"

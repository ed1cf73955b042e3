#include "listfile.h"

#include "entrydate.h"
#include "safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <unordered_set>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ListFile {

namespace {

const QString groupTag = QStringLiteral("fpa-tab");
const QString itemTag = QStringLiteral("fpa-item");

// Opens a file that kindOf() found regular, and makes sure that what got
// opened is still one.
bool openRegularFile(QFile &file, const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
#endif
}

Entry entryFrom(const QXmlStreamAttributes &attributes)
{
    const auto text = [](const QXmlStreamAttribute &attribute) {
        return attribute.value().left(maxTextLength).toString();
    };
    Entry entry;
    for (const QXmlStreamAttribute &attribute : attributes) {
        const QStringView name = attribute.qualifiedName();
        if (name == QLatin1String("poso"))
            entry.poso = text(attribute);
        else if (name == QLatin1String("fpa"))
            entry.fpa = text(attribute);
        else if (name == QLatin1String("extraPoso"))
            entry.extraPoso = text(attribute);
        else if (name == QLatin1String("finalPoso"))
            entry.finalPoso = text(attribute);
        else if (name == QLatin1String("date"))
            entry.date = EntryStamp(attribute.value()); // a malformed date counts as none
    }
    return entry;
}

// Looks at the bytes before the XML reader gets them, and stops at what would
// cost it more than linear time: it checks the attributes of a start tag
// against each other, so a tag of a million attributes would take hours. A
// start tag may have at most maxAttributes attributes and maxTagLength bytes
// outside its quoted values, which may be as long as they like (a longer text
// is cut when read). A document type with declarations of its own is refused
// too: no list needs one, and it could give every tag default attributes.
class MarkupScan
{
public:
    // How many of the bytes can go on to the reader: all of them, or those
    // before the first one that breaks a limit.
    qint64 pass(const char *data, qint64 size)
    {
        for (qint64 i = 0; i < size; ++i) {
            if (!take(data[i]))
                return i;
        }
        return size;
    }

private:
    enum class State {
        Text,
        MarkupStart,     // after "<"
        Bang,            // after "<!"
        BangDash,        // after "<!-"
        Comment,         // up to "-->"
        CharacterData,   // up to "]]>"
        Declaration,     // <!DOCTYPE ...>
        Instruction,     // up to "?>"
        EndTag,          // up to ">"
        StartTag,        // names, blanks and "=" of a start tag
        AttributeValue,  // between quote and quote
        DeclarationValue // a quoted identifier in the document type
    };

    bool take(char c)
    {
        // No XML character is a zero byte in UTF-8 or in any encoding with
        // one byte a character: the file is in another (UTF-16, UTF-32).
        if (c == '\0')
            return false;
        switch (state) {
        case State::Text:
            if (c == '<')
                state = State::MarkupStart;
            break;
        case State::MarkupStart: startMarkup(c); break;
        case State::Bang:
            closing = 0;
            state = c == '-'   ? State::BangDash
                    : c == '[' ? State::CharacterData
                               : State::Declaration;
            break;
        case State::BangDash: state = State::Comment; break;
        case State::Comment: closeAfter(c, '-', 2); break;
        case State::CharacterData: closeAfter(c, ']', 2); break;
        case State::Instruction: closeAfter(c, '?', 1); break;
        case State::EndTag:
            if (c == '>')
                state = State::Text;
            break;
        case State::Declaration: return takeInDeclaration(c);
        case State::DeclarationValue:
            if (c == quote)
                state = State::Declaration;
            break;
        case State::StartTag: return takeInStartTag(c);
        case State::AttributeValue:
            if (c == quote)
                state = State::StartTag;
            break;
        }
        return true;
    }

    // After "<".
    void startMarkup(char c)
    {
        if (c == '!') {
            state = State::Bang;
        } else if (c == '?') {
            state = State::Instruction;
            closing = 0;
        } else if (c == '/') {
            state = State::EndTag;
        } else {
            state = State::StartTag;
            tagLength = 1;
            attributes = 0;
        }
    }

    bool takeInDeclaration(char c)
    {
        if (c == '[') // an internal subset
            return false;
        if (c == '"' || c == '\'') {
            quote = c;
            state = State::DeclarationValue;
        } else if (c == '>') {
            state = State::Text;
        }
        return true;
    }

    bool takeInStartTag(char c)
    {
        if (c == '"' || c == '\'') {
            quote = c;
            state = State::AttributeValue;
        } else if (c == '>') {
            state = State::Text;
        } else if ((c == '=' && ++attributes > maxAttributes) || ++tagLength > maxTagLength) {
            return false;
        }
        return true;
    }

    // Ends a comment, character data or instruction at ">" after count marks.
    void closeAfter(char c, char mark, int count)
    {
        if (c == '>' && closing >= count)
            state = State::Text;
        closing = c == mark ? closing + 1 : 0;
    }

    static constexpr int maxAttributes = 40;
    static constexpr int maxTagLength = 4096;
    State state = State::Text;
    char quote = 0;
    int closing = 0; // marks just before
    int tagLength = 0;
    int attributes = 0;
};

// Whether the file is in an encoding whose markup MarkupScan can judge byte
// by byte: UTF-8, or one of one byte a character that keeps ASCII as it is.
// In any other, a byte that looks like markup may be part of a letter (UTF-16,
// UTF-32), or markup may hide in letters (UTF-7), and the limits would not
// hold: such a file is refused. Only the encoding named in the XML
// declaration or shown by a byte order mark counts; head is the file's start.
bool scannableByteByByte(QByteArray head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    if (head.startsWith("\xFE\xFF") || head.startsWith("\xFF\xFE"))
        return false;
    if (!head.startsWith("<?xml"))
        return true;
    const qsizetype end = head.indexOf("?>");
    if (end < 0)
        return false; // a declaration longer than any list needs
    static const QRegularExpression named(
        QStringLiteral("\\sencoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch encoding = named.match(QString::fromLatin1(head.left(end)));
    static const QRegularExpression oneByte(
        QStringLiteral(
            "^(utf-?8|(us-)?ascii|iso[-_]?8859-[0-9]+|latin-?1|windows-125[0-9]|cp125[0-9])$"),
        QRegularExpression::CaseInsensitiveOption);
    return !encoding.hasMatch() || oneByte.match(encoding.captured(1)).hasMatch();
}

// The first maxFileSize bytes of a file, up to anything that MarkupScan
// refuses. The XML reader pulls them itself: handed its input in parts, it
// would scan an unfinished comment again from its start for every part.
class FileStart : public QIODevice
{
public:
    explicit FileStart(QIODevice &file)
        : file(file)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (!headChecked)
            checkHead();
        if (refused)
            return 0;
        qint64 count = std::min({maxSize, unread, qint64(head.size())});
        if (count > 0) {
            std::memcpy(data, head.constData(), size_t(count));
            head.remove(0, count);
        } else {
            count = file.read(data, std::min(maxSize, unread));
        }
        if (count > 0) {
            const qint64 passed = scan.pass(data, count);
            refused = passed < count;
            count = passed;
            unread -= count;
        }
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    // Reads the start of the file, to the end of an XML declaration there,
    // before the reader sees any of it.
    void checkHead()
    {
        headChecked = true;
        const qint64 headSize = 1024;
        char part[headSize];
        qint64 count = 0;
        while (head.size() < headSize && !head.contains('>')
               && (count = file.read(part, headSize - head.size())) > 0)
            head.append(part, count);
        refused = !scannableByteByByte(head);
    }

    QIODevice &file;
    qint64 unread = maxFileSize;
    MarkupScan scan;
    QByteArray head; // read, and not yet passed on
    bool headChecked = false;
    bool refused = false;
};

// A file's signature, built from its bytes as they are read. The hash is
// taken a mebibyte at a time, so that it does not depend on how the file was
// read.
class SignatureMaker
{
public:
    void add(const char *data, qint64 size)
    {
        bytes += size;
        while (size > 0) {
            const qint64 take = std::min(size, blockSize - qint64(block.size()));
            block.append(data, take);
            data += take;
            size -= take;
            if (block.size() == blockSize)
                hashBlock();
        }
    }

    // The time of the file's last change is taken from the file opened, not
    // from its name, which may belong to another file by now.
    Signature finish(const QFile &file)
    {
        hashBlock();
        Signature signature;
        signature.size = bytes;
        signature.hash = hash;
#ifdef Q_OS_UNIX
        struct stat status;
        if (::fstat(file.handle(), &status) == 0)
            signature.modified =
                qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
#else
        signature.modified =
            QFileInfo(file.fileName()).lastModified().toMSecsSinceEpoch() * 1000000;
#endif
        return signature;
    }

private:
    void hashBlock()
    {
        if (!block.isEmpty())
            hash = qHash(block, hash);
        block.resize(0);
    }

    static constexpr qint64 blockSize = 1024 * 1024;
    QByteArray block;
    qint64 bytes = 0;
    size_t hash = 0;
};

// The file as long as nobody asks to stop reading it; then it ends there.
// It notes what it passes on in the file's signature.
class UntilStopped : public QIODevice
{
public:
    UntilStopped(QFile &file, const std::function<bool()> &stopRequested)
        : file(file)
        , stopRequested(stopRequested)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

    // The signature of the whole file: the part that was not read is read now.
    Signature signature()
    {
        char rest[64 * 1024];
        while (read(rest, sizeof rest) > 0) {
        }
        return maker.finish(file);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = stopRequested && stopRequested() ? -1 : file.read(data, maxSize);
        if (count > 0)
            maker.add(data, count);
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QFile &file;
    const std::function<bool()> &stopRequested;
    SignatureMaker maker;
};

void appendItem(QByteArray &out, const Entry &entry, int row);

// Reads one list file. Groups are the fpa-tab elements at any depth below the
// root element, in document order, and a group's rows are the fpa-item
// elements at any depth below it; an item inside nested groups belongs to the
// innermost one alone, so that writing the rows back never multiplies them.
// The root may have any name. Names are compared as written, prefix and all,
// without namespace processing.
//
// The rows read, written back, fit in maxFileSize: the rows that would not
// are left unread, and the file counts as unreadable, as one that is too long
// does. Otherwise a list read whole could be written too long to be read.
class Reader
{
public:
    Reader(int groupCount, const RowsRead &rowsRead, QStringList *groupNames)
        : groupCount(groupCount)
        , rows(std::max(groupCount, 0))
        , rowsInGroup(rows.size())
        , rowsRead(rowsRead)
        , groupNames(groupNames)
    {
    }

    // True when the whole file was read.
    bool read(QIODevice &file)
    {
        FileStart start(file);
        QXmlStreamReader xml(&start);
        xml.setNamespaceProcessing(false);
        for (;;) {
            switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (!startElement(xml))
                    return finish(false);
                break;
            case QXmlStreamReader::EndElement: endElement(); break;
            case QXmlStreamReader::DTD:
                // Entities declared here could make a small file expand to
                // gigabytes; no list needs them.
                if (!xml.entityDeclarations().isEmpty())
                    return finish(false);
                break;
            case QXmlStreamReader::EndDocument: return finish(true);
            case QXmlStreamReader::Invalid: // broken, cut short, or longer than the limit
                return finish(false);
            default: break;
            }
        }
    }

private:
    struct OpenGroup {
        int group; // -1 for one past groupCount, whose rows are not read
        int depth;
    };

    bool startElement(const QXmlStreamReader &xml)
    {
        if (++depth > maxDepth)
            return false;
        if (depth == 1)
            return true; // the root
        const QStringView name = xml.qualifiedName();
        if (name == groupTag) {
            openGroups.push_back({groupsSeen < groupCount ? groupsSeen : -1, depth});
            if (groupNames && groupsSeen < groupCount) {
                groupNames->append(
                    xml.attributes().value(QLatin1String("name")).left(maxTextLength).toString());
            }
            ++groupsSeen;
        } else if (name == itemTag && !openGroups.empty() && openGroups.back().group >= 0) {
            const int group = openGroups.back().group;
            if (rowCount == maxRows)
                return false;
            Entry entry = entryFrom(xml.attributes());
            shareTexts(entry);
            written.resize(0);
            appendItem(written, entry, rowsInGroup[group]);
            writtenSize += written.size();
            if (writtenSize > maxFileSize - groupCount * writtenGroupAllowance)
                return false;
            ++rowCount;
            ++rowsInGroup[group];
            rows[group].append(entry);
            if (rows[group].size() == rowsPerPart)
                handOver(group);
        }
        return true;
    }

    void endElement()
    {
        if (!openGroups.empty() && openGroups.back().depth == depth) {
            if (openGroups.back().group >= 0)
                handOver(openGroups.back().group);
            openGroups.pop_back();
        }
        --depth;
    }

    // A broken file leaves groups open: hand over what they hold.
    bool finish(bool complete)
    {
        for (const OpenGroup &open : openGroups) {
            if (open.group >= 0)
                handOver(open.group);
        }
        openGroups.clear();
        return complete;
    }

    // Every entry is in the file twice, in "Όλα" and in the group of its
    // rate, and the rate texts are a handful: a row read shares the texts of
    // an equal row read before, and the rate text of any, rather than keep
    // copies of its own. A long list takes a good part less memory so.
    void shareTexts(Entry &entry)
    {
        if (rateTexts.size() < maxRateTexts)
            entry.fpa = *rateTexts.insert(entry.fpa).first;
        else if (const auto rate = rateTexts.find(entry.fpa); rate != rateTexts.end())
            entry.fpa = *rate;
        // Past a list's usual size the set only looks: a set that grows with
        // a huge file would make each look slower than the sharing gains.
        auto seen = entriesSeen.find(entry);
        if (seen == entriesSeen.end()) {
            if (entriesSeen.size() < maxEntriesSeen)
                entriesSeen.insert(entry);
            return;
        }
        entry.poso = seen->poso;
        entry.fpa = seen->fpa;
        entry.extraPoso = seen->extraPoso;
        entry.finalPoso = seen->finalPoso;
    }

    struct EntryTextsHash {
        size_t operator()(const Entry &entry) const
        {
            return qHashMulti(0, entry.poso, entry.fpa, entry.extraPoso, entry.finalPoso);
        }
    };

    void handOver(int group)
    {
        if (!rows[group].isEmpty())
            rowsRead(group, std::exchange(rows[group], EntryGroup()));
    }

    static constexpr int rowsPerPart = 4096;
    static constexpr size_t maxRateTexts = 64;
    static constexpr size_t maxEntriesSeen = 65536;
    std::unordered_set<QString> rateTexts;
    std::unordered_set<Entry, EntryTextsHash> entriesSeen; // equal by their four texts
    // Room for a group's start and end tags and the root's, written back.
    static constexpr qint64 writtenGroupAllowance = 1024;
    const int groupCount;
    std::vector<EntryGroup> rows; // read and not yet handed over, per group
    std::vector<int> rowsInGroup;
    const RowsRead &rowsRead;
    QStringList *groupNames;
    std::vector<OpenGroup> openGroups; // innermost last
    QByteArray written;                // a row as write() stores it
    qint64 writtenSize = 0;
    int depth = 0;
    int groupsSeen = 0;
    int rowCount = 0;
};

// The file is written by hand rather than through QXmlStreamWriter, which
// takes three times as long for a list of many thousand rows.

bool needsEscaping(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == '&' || u == '<' || u == '>' || u == '"')
            return true;
    }
    return false;
}

// Appends  name="value"  with the value escaped for an XML attribute.
void appendAttribute(QByteArray &out, const char *name, const QString &value)
{
    out += ' ';
    out += name;
    out += "=\"";
    if (!needsEscaping(value)) {
        // The usual case, "123,45": straight into the buffer as UTF-8.
        QStringEncoder utf8(QStringEncoder::Utf8);
        const qsizetype start = out.size();
        out.resize(start + utf8.requiredSpace(value.size()));
        char *end = utf8.appendToBuffer(out.data() + start, value);
        out.truncate(end - out.constData());
    } else {
        for (const char c : value.toUtf8()) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            default:
                // Other control characters cannot stand in an XML document at all.
                if (static_cast<unsigned char>(c) >= 0x20)
                    out += c;
            }
        }
    }
    out += '"';
}

const char groupEnd[] = " </fpa-tab>\n";

void appendGroupStart(QByteArray &out, const QString &name, int index, bool empty)
{
    out += " <fpa-tab";
    appendAttribute(out, "name", name);
    appendAttribute(out, "ID", QString::number(index));
    out += empty ? "/>\n" : ">\n";
}

void appendItem(QByteArray &out, const Entry &entry, int row)
{
    out += "  <fpa-item";
    appendAttribute(out, "poso", entry.poso);
    appendAttribute(out, "fpa", entry.fpa);
    appendAttribute(out, "extraPoso", entry.extraPoso);
    appendAttribute(out, "finalPoso", entry.finalPoso);
    appendAttribute(out, "Id", QString::number(row));
    if (!entry.date.isEmpty())
        appendAttribute(out, "date", entry.date);
    out += "/>\n";
}

// Appends the file's content to out. Whenever out holds a part of some size,
// and at the end, hands it to takePart, if given, which may empty it and
// returns false to stop.
bool serializeInParts(QByteArray &out, const QStringList &groupNames,
                      const QList<EntryGroup> &groups,
                      const std::function<bool(QByteArray &)> &takePart)
{
    const qsizetype partSize = 256 * 1024;
    const auto passOn = [&out, &takePart](qsizetype atLeast) {
        return !takePart || out.size() < atLeast || takePart(out);
    };
    out += "<fpa>\n";
    for (int i = 0; i < groupNames.size(); ++i) {
        const EntryGroup &group = groups.value(i);
        appendGroupStart(out, groupNames.at(i), i, group.isEmpty());
        for (int row = 0; row < group.size(); ++row) {
            appendItem(out, group.at(row), row);
            if (!passOn(partSize))
                return false;
        }
        if (!group.isEmpty())
            out += groupEnd;
    }
    out += "</fpa>\n";
    return passOn(1);
}

} // namespace

Signature signatureOf(const QString &path)
{
    QFile file;
    if (SafeFile::kindOf(path) != SafeFile::Kind::Regular || !openRegularFile(file, path))
        return Signature();
    UntilStopped whole(file, nullptr);
    return whole.signature();
}

ReadStatus read(const QString &path, int groupCount, const RowsRead &rowsRead,
                const std::function<bool()> &stopRequested, ReadInfo *info)
{
    if (info)
        *info = ReadInfo();
    switch (SafeFile::kindOf(path)) {
    case SafeFile::Kind::Missing:
    case SafeFile::Kind::DanglingLink: return ReadStatus::Missing;
    case SafeFile::Kind::Folder:
    case SafeFile::Kind::Other: return ReadStatus::Unreadable;
    case SafeFile::Kind::Regular: break;
    }
    QFile file;
    if (!openRegularFile(file, path))
        return ReadStatus::Unreadable;
    UntilStopped input(file, stopRequested);
    const bool complete =
        Reader(groupCount, rowsRead, info ? &info->groupNames : nullptr).read(input);
    if (info)
        info->signature = input.signature();
    return complete ? ReadStatus::Complete : ReadStatus::Unreadable;
}

QByteArray serialize(const QStringList &groupNames, const QList<EntryGroup> &groups)
{
    QByteArray out;
    serializeInParts(out, groupNames, groups, nullptr);
    return out;
}

bool holds(const QString &path, const QStringList &groupNames, const QList<EntryGroup> &groups)
{
    SameAsWritten check(path, groupNames);
    for (int i = 0; i < groups.size(); ++i)
        check.add(i, groups.at(i));
    return check.holds();
}

bool write(const QString &path, const QByteArray &content, WriteFailure *failure)
{
    return SafeFile::save(path, content, failure, SafeFile::Folder::MakeIfMissing);
}

bool write(const QString &path, const QStringList &groupNames, const QList<EntryGroup> &groups,
           WriteFailure *failure)
{
    const auto fill = [&](QIODevice &file) {
        QByteArray part;
        return serializeInParts(part, groupNames, groups, [&file](QByteArray &ready) {
            const bool written = SafeFile::writeAll(file, ready);
            ready.resize(0);
            return written;
        });
    };
    return SafeFile::save(path, fill, failure, SafeFile::Folder::MakeIfMissing);
}

SameAsWritten::SameAsWritten(const QString &path, const QStringList &groupNames)
    : groupNames(groupNames)
{
    same = openRegularFile(file, path);
    expect("<fpa>\n");
}

SameAsWritten::~SameAsWritten() = default;

void SameAsWritten::add(int group, const EntryGroup &rows)
{
    if (rows.isEmpty() || !same)
        return;
    if (group < currentGroup) { // the file has its groups in another order
        same = false;
        return;
    }
    QByteArray expected;
    if (group > currentGroup) {
        if (currentGroup >= 0)
            expected += groupEnd;
        for (int empty = currentGroup + 1; empty < group; ++empty)
            appendGroupStart(expected, groupNames.value(empty), empty, true);
        appendGroupStart(expected, groupNames.value(group), group, false);
        currentGroup = group;
        rowsInGroup = 0;
    }
    for (const Entry &entry : rows)
        appendItem(expected, entry, rowsInGroup++);
    expect(expected);
}

bool SameAsWritten::holds()
{
    QByteArray expected;
    if (currentGroup >= 0)
        expected += groupEnd;
    for (int empty = currentGroup + 1; empty < groupNames.size(); ++empty)
        appendGroupStart(expected, groupNames.at(empty), empty, true);
    expected += "</fpa>\n";
    expect(expected);
    currentGroup = int(groupNames.size());
    return same && file.read(1).isEmpty();
}

void SameAsWritten::expect(const QByteArray &bytes)
{
    same = same && file.read(bytes.size()) == bytes;
}

QString keepCopy(const QString &path, const QString &kind)
{
    if (SafeFile::kindOf(path) != SafeFile::Kind::Regular)
        return QString();
    const QFileInfo original(path);
    const QDir folder = original.dir();
    for (int n = 1; n < 10000; ++n) {
        const QString copy = folder.filePath(QStringLiteral("%1.%2-%3.%4")
                                                 .arg(original.completeBaseName(), kind)
                                                 .arg(n)
                                                 .arg(original.suffix()));
        // A name taken by anything, a link to nothing too, is passed over.
        const QFileInfo taken(copy);
        if (taken.exists() || taken.isSymLink())
            continue;
        if (!QFile::copy(path, copy))
            return QString();
        if (QFileInfo(copy).size() != QFileInfo(path).size()) { // not the whole file
            QFile::remove(copy);
            return QString();
        }
        return copy;
    }
    return QString();
}

} // namespace ListFile

#include "listfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>
#include <QXmlStreamReader>

#include <utility>
#include <vector>

namespace ListFile {

namespace {

const QString groupTag = QStringLiteral("fpa-tab");
const QString itemTag = QStringLiteral("fpa-item");

Entry entryFrom(const QXmlStreamAttributes &attributes)
{
    Entry entry;
    for (const QXmlStreamAttribute &attribute : attributes) {
        const QStringView name = attribute.name();
        if (name == QLatin1String("poso"))
            entry.poso = attribute.value().toString();
        else if (name == QLatin1String("fpa"))
            entry.fpa = attribute.value().toString();
        else if (name == QLatin1String("extraPoso"))
            entry.extraPoso = attribute.value().toString();
        else if (name == QLatin1String("finalPoso"))
            entry.finalPoso = attribute.value().toString();
    }
    return entry;
}

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

} // namespace

// Groups are the fpa-tab elements at any depth below the root element, in
// document order, and a group's rows are the fpa-item elements at any depth
// below it. The root may have any name.
ReadStatus read(const QString &path, int groupCount, const RowsRead &rowsRead)
{
    QFile file(path);
    if (!file.exists())
        return ReadStatus::Missing;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return ReadStatus::Unreadable;

    const int rowsPerPart = 4096;
    std::vector<EntryGroup> rows(groupCount); // read and not yet handed over
    // For each open element, the index of the group it starts, or -1.
    std::vector<int> openElements;
    const auto handOver = [&](int group) {
        if (group >= 0 && group < groupCount && !rows[group].isEmpty())
            rowsRead(group, std::exchange(rows[group], EntryGroup()));
    };

    int groupsSeen = 0;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (openElements.empty()) {
                openElements.push_back(-1); // the root
            } else if (xml.name() == groupTag) {
                openElements.push_back(groupsSeen++);
            } else {
                openElements.push_back(-1);
                if (xml.name() == itemTag) {
                    const Entry entry = entryFrom(xml.attributes());
                    for (const int group : openElements) {
                        if (group < 0 || group >= groupCount)
                            continue;
                        rows[group].append(entry);
                        if (rows[group].size() == rowsPerPart)
                            handOver(group);
                    }
                }
            }
            break;
        case QXmlStreamReader::EndElement:
            handOver(openElements.back());
            openElements.pop_back();
            break;
        default: break;
        }
    }
    // A broken file leaves groups open: hand over what they hold.
    for (const int group : openElements)
        handOver(group);
    return xml.hasError() ? ReadStatus::Unreadable : ReadStatus::Complete;
}

QByteArray serialize(const QStringList &groupNames, const QList<EntryGroup> &groups)
{
    QByteArray out;
    out += "<fpa>\n";
    for (int i = 0; i < groupNames.size(); ++i) {
        const EntryGroup &group = groups.value(i);
        out += " <fpa-tab";
        appendAttribute(out, "name", groupNames.at(i));
        appendAttribute(out, "ID", QString::number(i));
        out += group.isEmpty() ? "/>\n" : ">\n";
        for (int row = 0; row < group.size(); ++row) {
            const Entry &entry = group.at(row);
            out += "  <fpa-item";
            appendAttribute(out, "poso", entry.poso);
            appendAttribute(out, "fpa", entry.fpa);
            appendAttribute(out, "extraPoso", entry.extraPoso);
            appendAttribute(out, "finalPoso", entry.finalPoso);
            appendAttribute(out, "Id", QString::number(row));
            out += "/>\n";
        }
        if (!group.isEmpty())
            out += " </fpa-tab>\n";
    }
    out += "</fpa>\n";
    return out;
}

bool write(const QString &path, const QByteArray &content, QString *reason)
{
    QSaveFile file(path);
    const auto fail = [&file, reason] {
        if (reason)
            *reason = file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    if (file.write(content) != content.size())
        return fail();
    // commit() alone does not notice a write that failed while its data sat
    // in the buffer (a full disk): flush first and check.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return fail();
    if (!file.commit()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    return true;
}

QString keepCopy(const QString &path, const QString &kind)
{
    const QFileInfo original(path);
    const QDir folder = original.dir();
    for (int n = 1; n < 10000; ++n) {
        const QString copy = folder.filePath(QStringLiteral("%1.%2-%3.%4")
                                                 .arg(original.completeBaseName(), kind)
                                                 .arg(n)
                                                 .arg(original.suffix()));
        if (!QFileInfo::exists(copy))
            return QFile::copy(path, copy) ? copy : QString();
    }
    return QString();
}

} // namespace ListFile

#include "listfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

namespace ListFile {

namespace {

const QString rootTag = QStringLiteral("fpa");
const QString groupTag = QStringLiteral("fpa-tab");
const QString itemTag = QStringLiteral("fpa-item");

Entry entryFrom(const QXmlStreamAttributes &attributes)
{
    return {attributes.value(QLatin1String("poso")).toString(),
            attributes.value(QLatin1String("fpa")).toString(),
            attributes.value(QLatin1String("extraPoso")).toString(),
            attributes.value(QLatin1String("finalPoso")).toString()};
}

} // namespace

// Groups are the fpa-tab elements at any depth below the root element, in
// document order, and a group's rows are the fpa-item elements at any depth
// below it. The root may have any name.
ReadResult read(const QString &path, int groupCount)
{
    ReadResult result;
    QFile file(path);
    if (!file.exists())
        return result;
    result.status = ReadResult::Unreadable;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return result;
    result.groups.resize(groupCount);

    // For each open element, the index of the group it starts, or -1.
    std::vector<int> openElements;
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
                        if (group >= 0 && group < groupCount)
                            result.groups[group].append(entry);
                    }
                }
            }
            break;
        case QXmlStreamReader::EndElement:
            openElements.pop_back();
            break;
        default:
            break;
        }
    }
    if (!xml.hasError())
        result.status = ReadResult::Complete;
    return result;
}

bool write(const QString &path, const QStringList &groupNames, const QList<EntryGroup> &groups)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;

    QXmlStreamWriter xml(&file);
    xml.writeStartElement(rootTag);
    // Formatting starts inside the root, so that the file begins with its tag.
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    for (int i = 0; i < groupNames.size(); ++i) {
        xml.writeStartElement(groupTag);
        xml.writeAttribute(QLatin1String("name"), groupNames.at(i));
        xml.writeAttribute(QLatin1String("ID"), QString::number(i));
        const EntryGroup &group = groups.value(i);
        for (int row = 0; row < group.size(); ++row) {
            const Entry &entry = group.at(row);
            xml.writeEmptyElement(itemTag);
            xml.writeAttribute(QLatin1String("poso"), entry.poso);
            xml.writeAttribute(QLatin1String("fpa"), entry.fpa);
            xml.writeAttribute(QLatin1String("extraPoso"), entry.extraPoso);
            xml.writeAttribute(QLatin1String("finalPoso"), entry.finalPoso);
            xml.writeAttribute(QLatin1String("Id"), QString::number(row));
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeCharacters(QStringLiteral("\n"));

    // commit() alone does not notice a write that failed while its data sat
    // in the buffer (a full disk): flush first and check.
    if (xml.hasError() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString keepCopy(const QString &path)
{
    const QFileInfo original(path);
    const QDir folder = original.dir();
    for (int n = 1; n < 10000; ++n) {
        const QString copy = folder.filePath(QStringLiteral("%1.unreadable-%2.%3")
                                                 .arg(original.completeBaseName())
                                                 .arg(n)
                                                 .arg(original.suffix()));
        if (!QFileInfo::exists(copy))
            return QFile::copy(path, copy) ? copy : QString();
    }
    return QString();
}

} // namespace ListFile

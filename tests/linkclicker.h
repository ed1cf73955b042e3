#pragma once

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

// Clicks a rich-text label on the character where it shows `text`, as a user
// clicks a link. The position is worked out the way QLabel lays out its
// document: no document margin, the label's font, wrapped to the contents
// width when word wrap is on, centred vertically unless aligned otherwise.
inline bool clickLabelText(QLabel *label, const QString &text)
{
    QTextDocument document;
    document.setDocumentMargin(0);
    document.setDefaultFont(label->font());
    document.setHtml(label->text());
    const QRect area = label->contentsRect();
    if (label->wordWrap())
        document.setTextWidth(area.width());

    const int at = document.toPlainText().indexOf(text);
    if (at < 0)
        return false;
    const int middle = at + int(text.size()) / 2;
    const QSizeF documentSize = document.size(); // lays the document out
    const QTextBlock block = document.findBlock(middle);
    const QPointF blockOrigin = document.documentLayout()->blockBoundingRect(block).topLeft();
    const QTextLine line = block.layout()->lineForTextPosition(middle - block.position());
    if (!line.isValid())
        return false;

    qreal top = area.top();
    if (label->alignment() & Qt::AlignVCenter)
        top += qMax<qreal>((area.height() - documentSize.height()) / 2, 0);
    else if (label->alignment() & Qt::AlignBottom)
        top += qMax<qreal>(area.height() - documentSize.height(), 0);

    const int inBlock = middle - block.position();
    const qreal x = (line.cursorToX(inBlock) + line.cursorToX(inBlock + 1)) / 2;
    const QPointF point(area.left() + blockOrigin.x() + x,
                        top + blockOrigin.y() + line.y() + line.height() / 2);
    QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, point.toPoint());
    return true;
}

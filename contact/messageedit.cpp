#include "messageedit.h"

#include <QMimeData>
#include <QTextCursor>

MessageEdit::MessageEdit(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    connect(this, &QTextEdit::textChanged, this, &MessageEdit::cutToMaxLength);
}

void MessageEdit::setMaxLength(int characters)
{
    maxLength = characters;
    cutToMaxLength();
}

bool MessageEdit::wasCut() const
{
    return cut;
}

bool MessageEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText();
}

// Only as much of the text as there is room for reaches the document: laying
// out a long run of text without spaces takes time that grows with the square
// of its length.
void MessageEdit::insertFromMimeData(const QMimeData *source)
{
    const QTextCursor cursor = textCursor();
    const qsizetype kept = document()->characterCount() - 1 - cursor.selectedText().size();
    const qsizetype room = qMax<qsizetype>(0, maxLength - kept);
    QString text = source->text();
    if (text.size() > room) {
        text.truncate(room);
        cut = true;
    }
    insertPlainText(text);
    if (text.isEmpty())
        emit textChanged(); // the counter tells of the cut
}

// Typing, an input method or a paste that was not cut beforehand.
void MessageEdit::cutToMaxLength()
{
    const int length = document()->characterCount() - 1;
    if (length > maxLength) {
        cut = true;
        QTextCursor end(document());
        end.setPosition(maxLength);
        end.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        end.removeSelectedText(); // tells of the change again
    } else if (length < maxLength) {
        cut = false;
    }
}

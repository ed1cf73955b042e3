#include "messageedit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextCursor>

#include <utility>

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

// How many characters can go in place of the selection.
qsizetype MessageEdit::room() const
{
    const qsizetype kept = document()->characterCount() - 1 - textCursor().selectedText().size();
    return qMax<qsizetype>(0, maxLength - kept);
}

// Only as much of the text as there is room for reaches the document: laying
// out a long run of text without spaces takes time that grows with the square
// of its length.
void MessageEdit::insertFromMimeData(const QMimeData *source)
{
    QString text = source->text();
    if (text.size() > room()) {
        text.truncate(room());
        cutOnInsert = true;
    }
    insertPlainText(text);
    if (text.isEmpty())
        emit textChanged(); // the counter tells of the cut
}

// An input method may commit any amount of text at once.
void MessageEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const qsizetype free = room();
    if (event->commitString().size() <= free && event->preeditString().size() <= free) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    // A text being composed is shown too: past the room it is left out.
    const bool preeditFits = event->preeditString().size() <= free;
    QInputMethodEvent shortened(preeditFits ? event->preeditString() : QString(),
                                preeditFits ? event->attributes()
                                            : QList<QInputMethodEvent::Attribute>());
    shortened.setCommitString(event->commitString().left(free), event->replacementStart(),
                              event->replacementLength());
    cutOnInsert = event->commitString().size() > free;
    QTextEdit::inputMethodEvent(&shortened);
    if (cutOnInsert) { // nothing went in
        cutOnInsert = false;
        cut = true;
        emit textChanged();
    }
    event->accept();
}

// A key may bring more than one character (a pasting tool that types).
void MessageEdit::keyPressEvent(QKeyEvent *event)
{
    const qsizetype free = room();
    if (event->text().size() <= qMax<qsizetype>(free, 1)) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent shortened(event->type(), event->key(), event->modifiers(), event->text().left(free),
                        event->isAutoRepeat(), ushort(event->count()));
    cutOnInsert = true;
    QTextEdit::keyPressEvent(&shortened);
    if (cutOnInsert) {
        cutOnInsert = false;
        cut = true;
        emit textChanged();
    }
    event->accept();
}

// Typing, or anything else that was not cut beforehand.
void MessageEdit::cutToMaxLength()
{
    if (removing)
        return;
    const int length = document()->characterCount() - 1;
    cut = std::exchange(cutOnInsert, false) || length > maxLength;
    if (length > maxLength) {
        const QScopedValueRollback<bool> guard(removing, true);
        QTextCursor end(document());
        end.setPosition(maxLength);
        end.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        end.removeSelectedText(); // tells of the change again
    }
}

#pragma once

#include <QTextEdit>

// The message box of the Contact dialog: plain text of a bounded length.
// Text pasted, dropped, typed or given by an input method past the bound is
// cut off before it is laid out, so that no text, however long, holds up the
// window; the box tells whether its latest change cut something off.
class MessageEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit MessageEdit(QWidget *parent = nullptr);

    void setMaxLength(int characters);
    // Whether the latest change of the text cut some of it off.
    bool wasCut() const;

protected:
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    qsizetype room() const;
    void cutToMaxLength();

    int maxLength = 4000;
    bool cut = false;
    bool cutOnInsert = false; // the text being inserted has been cut
    bool removing = false;
};

#pragma once

#include <QTextEdit>

// The message box of the Contact dialog: plain text of a bounded length.
// Text pasted or dropped past the bound is cut off before it is laid out, so
// that no paste, however long, holds up the window; the box tells when it
// last cut something off.
class MessageEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit MessageEdit(QWidget *parent = nullptr);

    void setMaxLength(int characters);
    // Whether text was cut off, until the text is shorter than the bound again.
    bool wasCut() const;

protected:
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void cutToMaxLength();

    int maxLength = 4000;
    bool cut = false;
};

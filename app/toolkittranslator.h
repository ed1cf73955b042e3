#pragma once

#include <QHash>
#include <QTranslator>

// Greek for the toolkit's own texts that the program's windows can show: the
// standard dialog buttons ("OK") and the right-click menus of the number
// boxes, the message box, the link labels and the scroll bars, and the save
// and print dialogs where the desktop offers no dialogs of its own. Qt ships no
// Greek translation of its own, and every text a user sees must be Greek.
class ToolkitTranslator : public QTranslator
{
public:
    explicit ToolkitTranslator(QObject *parent = nullptr);

    QString translate(const char *context, const char *sourceText,
                      const char *disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override;

private:
    QHash<QByteArray, QString> texts; // "context|source" -> Greek
};

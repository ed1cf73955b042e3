#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The business whose list it is, as set once by the user and kept in the
// settings: it heads every printed page and the spreadsheet. Nothing is set
// at first, and then nothing is shown.
struct Business {
    Q_DECLARE_TR_FUNCTIONS(Business)

public:
    QString name;
    QString vatNumber; // ΑΦΜ
    QString address;

    // The longest text that each one keeps.
    static constexpr int maxLength = 200;

    static Business fromSettings();
    void toSettings() const;

    // The lines that head a page: the name, "ΑΦΜ: 123456789" and the
    // address, those that are set; none when nothing is.
    QStringList lines() const;
};

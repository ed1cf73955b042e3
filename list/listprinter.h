#pragma once

#include "core/entry.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>

class QPagedPaintDevice;
class QPdfWriter;

// One tab of the list as a printout: on each page the title and the date,
// the business whose list it is, the table under its column titles and the
// page number ("Σελίδα 1 από 3"); after the last row, the totals. It paints onto any paged device:
// a QPrinter for the printer, a QPdfWriter for a PDF file.
class ListPrinter
{
    Q_DECLARE_TR_FUNCTIONS(ListPrinter)

public:
    struct Content {
        QString tabTitle;
        QStringList headers; // the column titles: the table's four and the date's
        EntryGroup rows;
        QStringList totals; // the parts of the rows' totals line (GroupTotals::parts())
        QDate date = QDate::currentDate();
        // The part of the tab ("Δεκέμβριος 2026"); empty for the whole tab.
        QString period{};
        // Name, ΑΦΜ and address of the business, where they are set.
        QStringList business{};
    };

    explicit ListPrinter(Content content, const QLocale &locale = QLocale());

    // "Φ.Π.Α. μετρίνο: <tab title>", and " · <period>" for a part of the
    // tab: the heading of every page.
    QString title() const;

    // A4 portrait with margins of 15 mm: what a printout starts with before
    // the user picks another paper in the print dialog.
    static void useA4(QPagedPaintDevice *device);

    // A printout painted a page at a time, so that a long one can leave the
    // window time to answer between its pages. It paints its own copy of the
    // rows: the list may change meanwhile.
    class Run
    {
    public:
        ~Run();
        int pageCount() const;
        int pagesPainted() const;
        bool atEnd() const { return pagesPainted() == pageCount(); }
        // False when the device takes no new page.
        bool paintNextPage();
        // Ends the painting: what is painted goes out. False when the device
        // failed.
        bool end();

    private:
        friend class ListPrinter;
        struct State;
        explicit Run(std::unique_ptr<State> state);
        std::unique_ptr<State> state;
    };

    // Lays the rows out on the device's pages, as the device is set up, and
    // begins painting them; null when the device cannot be painted on.
    std::unique_ptr<Run> start(QPagedPaintDevice *device) const;

    // The same, all pages at once. False when the device cannot be painted on.
    bool print(QPagedPaintDevice *device) const;

    // A PDF writer made ready for the pages: the document's title and maker,
    // and A4.
    void setUp(QPdfWriter *writer) const;

    // Writes the pages on A4 as a PDF file, replacing the file only once it is
    // complete; on failure reason gets why, in the user's words.
    bool writePdf(const QString &path, QString *reason = nullptr) const;

private:
    Content content;
    QLocale locale;
};

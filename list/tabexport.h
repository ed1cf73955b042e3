#pragma once

#include "listprinter.h"

class QWidget;

// The tab shown, handed on to an accountant or a spreadsheet: written as a CSV
// or PDF file (or an Excel workbook, where the build has it) where the user
// chooses, or printed on the printer the user chooses (where there is none,
// the PDF file is offered instead). Each returns once the user has chosen:
// the writing or printing goes on as a job over the window, with its progress
// and "Ακύρωση" once it takes longer than a moment. A failure is told in a box
// with its reason, and neither it nor a cancelled export leaves a file. The file first proposed is
// metrino-<tab title>-<YYYY-MM-DD>.<suffix> in the folder of the last export,
// or else the user's documents folder (or home folder, where there is none).
namespace TabExport {

void toCsv(QWidget *parent, const ListPrinter::Content &tab);
void toPdf(QWidget *parent, const ListPrinter::Content &tab);
#ifdef METRINO_XLSX
void toXlsx(QWidget *parent, const ListPrinter::Content &tab);
#endif
void print(QWidget *parent, const ListPrinter::Content &tab);

// How a print command hands the tab on: by print() where a printer is
// installed; where there is none (the system's print dialog may not even
// open), says so and offers toPdf() instead, or nothing when the user
// cancels. Asked before anything else, so that nothing is asked in vain.
using HandOn = void (*)(QWidget *, const ListPrinter::Content &);
HandOn printOrOfferPdf(QWidget *parent);

} // namespace TabExport

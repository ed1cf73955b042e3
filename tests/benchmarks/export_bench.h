#pragma once

#include <QtGlobal>

class QTextStream;

// Prints how long the totals, the CSV and the PDF of a tab take: the totals
// and the CSV of rowCount rows, the PDF of pdfRowCount rows; medians of runs.
void benchmarkExport(QTextStream &out, int rowCount, int pdfRowCount, int runs);

// Prints how long the window stands still at most during a PDF export of
// rowCount rows, and how long the export takes: all at once, and as the job
// that the list window runs. One run each.
void benchmarkPdfStall(QTextStream &out, int rowCount);

// Prints how long the Excel workbook of a tab of rowCount rows takes (median
// of runs), and the peak memory of the process after it.
void benchmarkXlsx(QTextStream &out, int rowCount, int runs);

// A PDF of rowCount rows: the longest time the window stands still while the
// list window's job writes it, the job's whole time, and the time written all
// at once. One run each.
struct PdfFigures {
    qint64 longestStallMs = 0;
    qint64 jobMs = 0;
    qint64 allAtOnceMs = 0;
};
PdfFigures measurePdf(int rowCount);

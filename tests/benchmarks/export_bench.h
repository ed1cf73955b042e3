#pragma once

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

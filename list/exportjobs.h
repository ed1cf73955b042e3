#pragma once

#include "listprinter.h"

#include <memory>

class LongJob;
class QPrinter;
class QWidget;

// The tab written to a file or printed as a long job over the window (see
// LongJob), with its own copy of the rows, so that the list may change
// meanwhile. Each returns the job, not yet started, or null with the reason
// (in Greek) where the file cannot be created or the printer refuses; a job
// that fails tells it by its failed() signal. A stopped export leaves no
// file, and a file appears only whole; a stopped print is aborted, where the
// printer takes the abort.
namespace ExportJobs {

LongJob *csv(QWidget *window, const QString &title, const QString &path,
             const ListPrinter::Content &tab, QString *reason);
LongJob *pdf(QWidget *window, const QString &title, const QString &path,
             const ListPrinter &printout, QString *reason);
#ifdef METRINO_XLSX
LongJob *xlsx(QWidget *window, const QString &title, const QString &path,
              const ListPrinter::Content &tab);
#endif
LongJob *print(QWidget *window, const QString &title, std::unique_ptr<QPrinter> printer,
               const ListPrinter &printout, QString *reason);

} // namespace ExportJobs

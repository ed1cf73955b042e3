#include "exportjobs.h"

#include "core/listexport.h"
#include "core/safefile.h"
#include "failuretext.h"
#include "longjob.h"
#ifdef METRINO_XLSX
#include "xlsxexport.h"
#endif

#include <QPdfWriter>
#include <QPrinter>
#include <QThread>

#include <atomic>

namespace ExportJobs {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(ExportJobs)
};

QString writingLabel()
{
    return Text::tr("Το αρχείο γράφεται…");
}

// A SafeFile that tells why it failed in the user's words.
class ExportFile
{
public:
    explicit ExportFile(const QString &path)
        : file(path)
    {
    }
    bool open(QString *reason) { return told(file.open(&failure), reason); }
    QIODevice &device() { return file.device(); }
    bool commit(QString *reason) { return told(file.commit(&failure), reason); }
    void cancel(QString *reason = nullptr)
    {
        file.cancel(&failure);
        told(false, reason);
    }

private:
    bool told(bool done, QString *reason) const
    {
        if (!done && reason)
            *reason = failureText(failure);
        return done;
    }

    SafeFile file;
    WriteFailure failure;
};

// The lines of a CSV file, so many at a time.
class CsvJob : public LongJob
{
public:
    CsvJob(QWidget *window, const QString &title, const QString &path,
           const ListPrinter::Content &tab)
        : LongJob(window, title, writingLabel())
        , file(path)
        , headers(tab.headers)
        , rows(tab.rows)
    {
    }
    bool open(QString *reason)
    {
        if (!file.open(reason))
            return false;
        if (write(ListExport::csvHead(headers)))
            return true;
        file.cancel(reason);
        return false;
    }

protected:
    Step step(QString *reason) override
    {
        const qsizetype end = qMin(rows.size(), written + linesAtATime);
        if (!write(ListExport::csvLines(rows, written, end))) {
            file.cancel(reason);
            return Step::Failed;
        }
        written = end;
        if (written < rows.size())
            return Step::More;
        return file.commit(reason) ? Step::Done : Step::Failed;
    }
    int done() const override { return int(written); }
    int total() const override { return int(rows.size()); }
    void stop() override { file.cancel(); }

private:
    static constexpr qsizetype linesAtATime = 500;
    bool write(const QByteArray &lines) { return file.device().write(lines) == lines.size(); }

    ExportFile file;
    const QStringList headers;
    const EntryGroup rows;
    qsizetype written = 0;
};

// The pages of a printout, one at a time, on a paged device; the device is
// the job's own.
class PagesJob : public LongJob
{
public:
    using LongJob::LongJob;

protected:
    bool begin(const ListPrinter &printout, QPagedPaintDevice *device)
    {
        run = printout.start(device);
        return run != nullptr;
    }
    Step step(QString *reason) override
    {
        if (!run->paintNextPage()) {
            *reason = pageFailure();
            stop();
            return Step::Failed;
        }
        if (!run->atEnd())
            return Step::More;
        return finish(reason) ? Step::Done : Step::Failed;
    }
    int done() const override { return run->pagesPainted(); }
    int total() const override { return run->pageCount(); }
    virtual QString pageFailure() const = 0;
    virtual bool finish(QString *reason) = 0;

    std::unique_ptr<ListPrinter::Run> run;
};

class PdfJob : public PagesJob
{
public:
    PdfJob(QWidget *window, const QString &title, const QString &path)
        : PagesJob(window, title, writingLabel())
        , file(path)
    {
    }
    ~PdfJob() override { run.reset(); } // the painter ends before the writer goes
    bool open(const ListPrinter &printout, QString *reason)
    {
        if (!file.open(reason))
            return false;
        writer = std::make_unique<QPdfWriter>(&file.device());
        printout.setUp(writer.get());
        if (begin(printout, writer.get()))
            return true;
        file.cancel(reason);
        return false;
    }

protected:
    QString pageFailure() const override
    {
        return failureText({WriteFailure::WriteFailed, QString()});
    }
    bool finish(QString *reason) override
    {
        if (run->end())
            return file.commit(reason);
        file.cancel(reason);
        return false;
    }
    void stop() override
    {
        run->end();
        file.cancel();
    }

private:
    ExportFile file;
    std::unique_ptr<QPdfWriter> writer;
};

class PrintJob : public PagesJob
{
public:
    PrintJob(QWidget *window, const QString &title, std::unique_ptr<QPrinter> printer)
        : PagesJob(window, title, Text::tr("Η εκτύπωση ετοιμάζεται…"))
        , printer(std::move(printer))
    {
    }
    ~PrintJob() override
    {
        if (!isOver() && run)
            stop();
        run.reset();
    }
    bool open(const ListPrinter &printout) { return begin(printout, printer.get()); }
    QString refused() const
    {
        return Text::tr("Η εκτύπωση δεν έγινε: ο εκτυπωτής «%1» δεν τη δέχτηκε.")
            .arg(printer->printerName());
    }

protected:
    QString pageFailure() const override { return refused(); }
    bool finish(QString *reason) override
    {
        if (run->end() && printer->printerState() != QPrinter::Error)
            return true;
        *reason = refused();
        return false;
    }
    // The toolkit's print engines refuse the abort (none can take back what
    // it was given): the pages painted so far then still go out.
    void stop() override
    {
        printer->abort();
        run->end();
    }

private:
    std::unique_ptr<QPrinter> printer;
};

#ifdef METRINO_XLSX
// The workbook is zipped at its end in one go, too long for a turn of the
// event loop: a thread of its own writes it, and the job waits for it.
class XlsxJob : public LongJob
{
public:
    XlsxJob(QWidget *window, const QString &title, const QString &path,
            const ListPrinter::Content &tab)
        : LongJob(window, title, writingLabel())
        , rowCount(int(tab.rows.size()))
        , thread(QThread::create([this, path, tab] {
            written = XlsxExport::write(path, tab, &reason, [this](int rows) {
                rowsWritten = rows;
                return !stopped;
            });
        }))
    {
        thread->start();
    }
    ~XlsxJob() override
    {
        stopped = true;
        thread->wait();
    }

protected:
    Step step(QString *why) override
    {
        if (!thread->isFinished())
            return Step::Waiting;
        thread->wait();
        *why = reason;
        return written ? Step::Done : Step::Failed;
    }
    int done() const override { return rowsWritten; }
    int total() const override { return rowCount; }
    // The thread stops at its next rows and leaves no file.
    void stop() override { stopped = true; }

private:
    const int rowCount;
    std::atomic<int> rowsWritten{0};
    std::atomic<bool> stopped{false};
    bool written = false;
    QString reason;
    std::unique_ptr<QThread> thread;
};
#endif

} // namespace

LongJob *csv(QWidget *window, const QString &title, const QString &path,
             const ListPrinter::Content &tab, QString *reason)
{
    auto job = std::make_unique<CsvJob>(window, title, path, tab);
    return job->open(reason) ? job.release() : nullptr;
}

LongJob *pdf(QWidget *window, const QString &title, const QString &path,
             const ListPrinter &printout, QString *reason)
{
    auto job = std::make_unique<PdfJob>(window, title, path);
    return job->open(printout, reason) ? job.release() : nullptr;
}

#ifdef METRINO_XLSX
LongJob *xlsx(QWidget *window, const QString &title, const QString &path,
              const ListPrinter::Content &tab)
{
    return new XlsxJob(window, title, path, tab);
}
#endif

LongJob *print(QWidget *window, const QString &title, std::unique_ptr<QPrinter> printer,
               const ListPrinter &printout, QString *reason)
{
    auto job = std::make_unique<PrintJob>(window, title, std::move(printer));
    if (job->open(printout))
        return job.release();
    *reason = job->refused();
    return nullptr;
}

} // namespace ExportJobs

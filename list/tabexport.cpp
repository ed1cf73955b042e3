#include "tabexport.h"

#include "exportjobs.h"
#include "longjob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

#include <functional>
#include <memory>

namespace TabExport {

namespace {

struct Text {
    Q_DECLARE_TR_FUNCTIONS(TabExport)
};

QString exportTitle()
{
    return Text::tr("Φ.Π.Α. μετρίνο: Εξαγωγή");
}

QString printTitle()
{
    return Text::tr("Φ.Π.Α. μετρίνο: Εκτύπωση");
}

const QString folderKey = QStringLiteral("exportFolder");

void tellFailure(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(box.addButton(Text::tr("Εντάξει"), QMessageBox::AcceptRole));
    box.exec();
}

void tellFileFailure(QWidget *parent, const QString &path, const QString &reason)
{
    tellFailure(
        parent, exportTitle(),
        Text::tr("Το αρχείο\n%1\nδεν γράφτηκε.\n\n%2").arg(QDir::toNativeSeparators(path), reason));
}

// metrino-<tab title>-<YYYY-MM-DD>.<suffix>
QString proposedName(const QString &tabTitle, const QDate &date, const QString &suffix)
{
    QString title = tabTitle;
    // Marks that no file name may hold on Windows.
    for (QChar &c : title) {
        if (QStringLiteral("\\/:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    return QStringLiteral("metrino-%1-%2.%3").arg(title, date.toString(Qt::ISODate), suffix);
}

QString proposedPath(const QString &tabTitle, const QDate &date, const QString &suffix)
{
    QString folder = QSettings().value(folderKey).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QDir(folder).filePath(proposedName(tabTitle, date, suffix));
}

// The file the user chooses to write, or an empty string.
QString askForFile(QWidget *parent, const ListPrinter::Content &tab, const QString &suffix,
                   const QString &filter)
{
    QFileDialog dialog(parent, exportTitle());
    dialog.setObjectName(QStringLiteral("fileDialog_export"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    const QFileInfo proposed(proposedPath(tab.tabTitle, tab.date, suffix));
    dialog.setDirectory(proposed.absolutePath());
    dialog.selectFile(proposed.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().constFirst();
    QSettings().setValue(folderKey, QFileInfo(path).absolutePath());
    return path;
}

// Starts the job made for the file the user chose; where none could be made,
// or once it fails, says why.
void exportAs(QWidget *parent, const ListPrinter::Content &tab, const QString &suffix,
              const QString &filter,
              const std::function<LongJob *(const QString &, QString *)> &makeJob)
{
    const QString path = askForFile(parent, tab, suffix, filter);
    if (path.isEmpty())
        return;
    QString reason;
    LongJob *job = makeJob(path, &reason);
    if (!job) {
        tellFileFailure(parent, path, reason);
        return;
    }
    QObject::connect(job, &LongJob::failed, parent,
                     [parent, path](const QString &why) { tellFileFailure(parent, path, why); });
    job->start();
}

} // namespace

void toCsv(QWidget *parent, const ListPrinter::Content &tab)
{
    exportAs(parent, tab, QStringLiteral("csv"), Text::tr("Αρχεία CSV (*.csv)"),
             [parent, &tab](const QString &path, QString *reason) {
                 return ExportJobs::csv(parent, exportTitle(), path, tab, reason);
             });
}

void toPdf(QWidget *parent, const ListPrinter::Content &tab)
{
    exportAs(parent, tab, QStringLiteral("pdf"), Text::tr("Αρχεία PDF (*.pdf)"),
             [parent, &tab](const QString &path, QString *reason) {
                 return ExportJobs::pdf(parent, exportTitle(), path, ListPrinter(tab), reason);
             });
}

#ifdef METRINO_XLSX
void toXlsx(QWidget *parent, const ListPrinter::Content &tab)
{
    exportAs(parent, tab, QStringLiteral("xlsx"), Text::tr("Βιβλία εργασίας Excel (*.xlsx)"),
             [parent, &tab](const QString &path, QString *) {
                 return ExportJobs::xlsx(parent, exportTitle(), path, tab);
             });
}
#endif

HandOn printOrOfferPdf(QWidget *parent)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        return print;
    QMessageBox box(QMessageBox::Information, printTitle(),
                    Text::tr("Δεν υπάρχει εκτυπωτής σε αυτόν τον υπολογιστή.\n\n"
                             "Μπορείτε να αποθηκεύσετε τον πίνακα ως αρχείο PDF και "
                             "να το εκτυπώσετε αργότερα."),
                    QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *pdf = box.addButton(Text::tr("Εξαγωγή σε PDF…"), QMessageBox::AcceptRole);
    box.addButton(Text::tr("Άκυρο"), QMessageBox::RejectRole);
    box.setDefaultButton(pdf);
    box.exec();
    return box.clickedButton() == pdf ? toPdf : nullptr;
}

void print(QWidget *parent, const ListPrinter::Content &tab)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    ListPrinter::useA4(printer.get());
    // The name of the print job, and of the file where the print dialog
    // offers to print into one: it takes the name up to its last "." and adds
    // ".pdf".
    printer->setDocName(proposedName(tab.tabTitle, tab.date, QStringLiteral("pdf")));
    QPrintDialog dialog(printer.get(), parent);
    dialog.setWindowTitle(printTitle());
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString reason;
    LongJob *job =
        ExportJobs::print(parent, printTitle(), std::move(printer), ListPrinter(tab), &reason);
    if (!job) {
        tellFailure(parent, printTitle(), reason);
        return;
    }
    QObject::connect(job, &LongJob::failed, parent,
                     [parent](const QString &why) { tellFailure(parent, printTitle(), why); });
    job->start();
}

} // namespace TabExport

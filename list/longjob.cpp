#include "longjob.h"

#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>

namespace {

// The work done in one turn of the event loop: half a frame, so that the
// window has the rest.
constexpr qint64 sliceNs = 8'000'000;
constexpr int showAfterMs = 500;
constexpr int waitingMs = 30;

} // namespace

LongJob::LongJob(QWidget *window, const QString &title, const QString &label)
    : QObject(window)
    , dialog(new QProgressDialog(window))
    , bar(new QProgressBar(dialog))
{
    dialog->setObjectName(QStringLiteral("progressDialog"));
    dialog->setWindowTitle(title);
    dialog->setLabelText(label);
    // The bar is set directly: the dialog's own setValue() would run the
    // event loop inside the job's turn.
    dialog->setBar(bar);
    // Shown by the job alone, not by the dialog's own timer.
    dialog->reset();
    dialog->setCancelButton(new QPushButton(tr("Ακύρωση"), dialog));
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QProgressDialog::canceled, this, &LongJob::cancel);
    connect(dialog, &QDialog::rejected, this, &LongJob::cancel);

    ticks.setSingleShot(true);
    connect(&ticks, &QTimer::timeout, this, &LongJob::runSlice);
    showLater.setSingleShot(true);
    connect(&showLater, &QTimer::timeout, this, &LongJob::showProgress);
}

LongJob::~LongJob()
{
    delete dialog;
}

void LongJob::start()
{
    ticks.start(0);
    showLater.start(showAfterMs);
}

void LongJob::runSlice()
{
    if (over)
        return;
    QElapsedTimer slice;
    slice.start();
    QString reason;
    Step result;
    do {
        result = step(&reason);
    } while (result == Step::More && slice.nsecsElapsed() < sliceNs);

    if (result == Step::Failed) {
        end(&reason);
    } else if (result == Step::Done) {
        end();
    } else {
        bar->setMaximum(qMax(1, total()));
        bar->setValue(qMin(done(), bar->maximum()));
        ticks.start(result == Step::Waiting ? waitingMs : 0);
    }
}

void LongJob::showProgress()
{
    if (!over && dialog)
        dialog->show();
}

void LongJob::cancel()
{
    if (over)
        return;
    stop();
    end();
}

void LongJob::end(const QString *failure)
{
    over = true;
    ticks.stop();
    showLater.stop();
    if (dialog) {
        dialog->reset();
        dialog->hide();
    }
    // Before a box that tells of the failure runs an event loop of its own,
    // which deletes nothing of this one.
    deleteLater();
    if (failure)
        emit failed(*failure);
    emit finished();
}

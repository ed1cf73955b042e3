#include "contact.h"
#include "ui_contact.h"

#include "app/siteclient.h"
#include "app/waitindicator.h"
#include "core/appinfo.h"

#include <QMessageBox>

namespace {

const int minMessageLength = 6;

} // namespace

Contact::Contact(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::Contact)
{
    ui->setupUi(this);
    ui->textEdit->setMaxLength(maxHeldLength);
    growForLargerFonts();
    nameCounter();
    connect(ui->textEdit, &QTextEdit::textChanged, this, &Contact::nameCounter);
    currentVersion = AppInfo::version();
    messageUrl = AppInfo::siteUrl(QStringLiteral("/programming/metrino/bugtracker.php")).toString();
    site = SiteClient::create(this);
    site->setObjectName(QStringLiteral("siteClient"));
    connect(site, &SiteClient::messageSent, this, &Contact::reportSent);
    connect(site, &SiteClient::failed, this, &Contact::reportFailure);
}

Contact::~Contact()
{
    delete ui;
}

void Contact::startEmpty()
{
    ui->textEdit->clear();
    ui->textEdit->setFocus(Qt::OtherFocusReason);
}

// The fixed size suits the usual desktop fonts; with a larger one the dialog
// grows just enough for its buttons to show their whole texts.
void Contact::growForLargerFonts()
{
    const QSize needed = layout()->minimumSize().expandedTo(size());
    if (needed != size())
        setFixedSize(needed);
}

// Screen readers hear what the counter's number means.
void Contact::nameCounter()
{
    const int left = maxMessageLength - int(ui->textEdit->toPlainText().size());
    QString name;
    if (left == 1)
        name = tr("Απομένει 1 χαρακτήρας");
    else if (left >= 0)
        name = tr("Απομένουν %1 χαρακτήρες").arg(left);
    else if (left == -1)
        name = tr("1 χαρακτήρας πάνω από το όριο");
    else
        name = tr("%1 χαρακτήρες πάνω από το όριο").arg(-left);
    if (ui->textEdit->wasCut())
        name += tr(", το κείμενο κόπηκε στους %1 χαρακτήρες").arg(maxHeldLength);
    ui->label_6->setAccessibleName(name);
}

void Contact::on_textEdit_textChanged()
{
    const int length = int(ui->textEdit->toPlainText().size());
    // While a message is on its way the send button stays disabled, so that
    // no second submission can start; the limit is applied once it is over.
    if (!waiting)
        applyLengthLimit();
    QString counter = QString::number(maxMessageLength - length);
    if (ui->textEdit->wasCut())
        counter += tr(" (κόπηκε)");
    ui->label_6->setText(counter);
}

// Sending is possible only for texts within the limit; the text is never cut.
void Contact::applyLengthLimit()
{
    const bool withinLimit = ui->textEdit->toPlainText().size() <= maxMessageLength;
    if (ui->pushButton_3->isEnabled() != withinLimit)
        ui->pushButton_3->setEnabled(withinLimit);
}

void Contact::on_pushButton_3_clicked()
{
    const QString message = ui->textEdit->toPlainText();
    if (message.isEmpty()) {
        showError(tr("Δεν έχετε εισάγει τίποτις διά αποστολή, παρακαλώ ξαναδοκιμάστε.\n"
                     "Σας ευχαριστώ πολύ."));
        ui->textEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (message.size() < minMessageLength) {
        {
            const DisabledWhileBusy busy({ui->pushButton_3, ui->pushButton_4});
            showError(tr("Ελάχιστο πλήθος χαρακτήρων 6.\nΠαρακαλώ ξαναδοκιμάστε.\n"
                         "Σας ευχαριστώ πολύ."));
        }
        applyLengthLimit();
        ui->textEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Both buttons stay disabled until the outcome has been shown.
    waiting = std::make_unique<WaitIndicator>(
        std::initializer_list<QWidget *>{ui->pushButton_3, ui->pushButton_4}, ui->textEdit,
        tr("Αποστολή… (Esc: ακύρωση)"));
    site->sendMessage(messageUrl, message, currentVersion);
}

// Closing the dialog, by Escape or the window's close button, ends the wait
// without a word; minimising it does not.
void Contact::hideEvent(QHideEvent *event)
{
    if (!isVisible() && site->isBusy()) {
        site->cancel();
        endWaiting();
    }
    QDialog::hideEvent(event);
}

// An empty answer tells nothing, and the dialog stays open as it was.
void Contact::reportSent(const QByteArray &answer)
{
    waiting->answerArrived();
    if (!answer.isEmpty())
        QMessageBox::information(this, tr("Επιτυχία"),
                                 tr("Το μήνυμα σας στάλθηκε με επιτυχία.\nΣας ευχαριστώ πολύ."));
    endWaiting();
    if (!answer.isEmpty()) {
        // The dialog is shown again for the next message.
        ui->textEdit->clear();
        close();
    }
}

void Contact::reportFailure()
{
    waiting->answerArrived();
    showError(tr("Το μήνυμά σας δεν στάλθηκε. Κάτι πήγε στραβά, παρακαλώ ξαναδοκιμάστε.\n"
                 "Σας ευχαριστώ πολύ."));
    endWaiting();
    ui->textEdit->setFocus(Qt::OtherFocusReason);
}

// The buttons are enabled again, and the limit applied to what was written
// during the wait.
void Contact::endWaiting()
{
    waiting.reset();
    applyLengthLimit();
}

void Contact::on_pushButton_4_clicked()
{
    close();
}

void Contact::showError(const QString &text)
{
    QMessageBox::critical(this, tr("Σφάλμα"), text);
}

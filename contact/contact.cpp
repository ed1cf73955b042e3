#include "contact.h"
#include "ui_contact.h"

#include "app/appinfo.h"
#include "app/formencoding.h"
#include "app/webrequest.h"

#include <QMessageBox>
#include <QScopedValueRollback>

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
        name = QStringLiteral("Απομένει 1 χαρακτήρας");
    else if (left >= 0)
        name = QStringLiteral("Απομένουν %1 χαρακτήρες").arg(left);
    else if (left == -1)
        name = QStringLiteral("1 χαρακτήρας πάνω από το όριο");
    else
        name = QStringLiteral("%1 χαρακτήρες πάνω από το όριο").arg(-left);
    if (ui->textEdit->wasCut())
        name += QStringLiteral(", το κείμενο κόπηκε στους %1 χαρακτήρες").arg(maxHeldLength);
    ui->label_6->setAccessibleName(name);
}

void Contact::on_textEdit_textChanged()
{
    const int length = int(ui->textEdit->toPlainText().size());
    // While a message is on its way the send button stays disabled, so that
    // no second submission can start; the limit is applied once it is over.
    if (!sending)
        applyLengthLimit();
    QString counter = QString::number(maxMessageLength - length);
    if (ui->textEdit->wasCut())
        counter += QStringLiteral(" (κόπηκε)");
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
    if (ui->textEdit->toPlainText().isEmpty()) {
        showError(QStringLiteral("Δεν έχετε εισάγει τίποτις διά αποστολή, παρακαλώ "
                                 "ξαναδοκιμάστε.\nΣας ευχαριστώ πολύ."));
        ui->textEdit->setFocus(Qt::OtherFocusReason);
        return;
    }

    const Outcome outcome = submit();
    applyLengthLimit();
    switch (outcome) {
    case Outcome::TryAgain: ui->textEdit->setFocus(Qt::OtherFocusReason); break;
    case Outcome::Sent:
        // The dialog is shown again for the next message.
        ui->textEdit->clear();
        close();
        break;
    case Outcome::NoAnswer:
    case Outcome::Cancelled: break;
    }
}

// Sends the message and tells the user how it went; both buttons stay
// disabled until the outcome has been shown.
Contact::Outcome Contact::submit()
{
    const WebRequest::DisabledWhileBusy busy({ui->pushButton_3, ui->pushButton_4});
    const QScopedValueRollback<bool> busySending(sending, true);

    const QString message = ui->textEdit->toPlainText();
    if (message.size() < minMessageLength) {
        showError(QStringLiteral("Ελάχιστο πλήθος χαρακτήρων 6.\nΠαρακαλώ ξαναδοκιμάστε.\n"
                                 "Σας ευχαριστώ πολύ."));
        return Outcome::TryAgain;
    }

    const QByteArray body = FormEncoding::encode(
        {{QStringLiteral("message"), message}, {QStringLiteral("version"), currentVersion}});
    const WebRequest::Reply reply = [&] {
        const WebRequest::WaitNote note(ui->textEdit, QStringLiteral("Αποστολή… (Esc: ακύρωση)"));
        return WebRequest::postForm(this, messageUrl, body);
    }();
    if (reply.cancelled)
        return Outcome::Cancelled;
    if (reply.failed) {
        showError(QStringLiteral("Το μήνυμά σας δεν στάλθηκε. Κάτι πήγε στραβά, παρακαλώ "
                                 "ξαναδοκιμάστε.\nΣας ευχαριστώ πολύ."));
        return Outcome::TryAgain;
    }
    if (reply.body.isEmpty())
        return Outcome::NoAnswer;

    QMessageBox::information(this, QStringLiteral("Επιτυχία"),
                             QStringLiteral("Το μήνυμα σας στάλθηκε με επιτυχία.\n"
                                            "Σας ευχαριστώ πολύ."));
    return Outcome::Sent;
}

void Contact::on_pushButton_4_clicked()
{
    close();
}

void Contact::showError(const QString &text)
{
    QMessageBox::critical(this, QStringLiteral("Σφάλμα"), text);
}

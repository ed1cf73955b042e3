#include "about.h"
#include "ui_about.h"

#include "app/siteclient.h"
#include "app/waitindicator.h"
#include "core/appinfo.h"
#include "core/version.h"

#include <QDesktopServices>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QUrl>

namespace {

// The longest download address handed to the browser; browsers and servers
// commonly refuse longer ones, and the maker's addresses are far shorter.
const int maxPageAddressLength = 2048;

// The download address comes from the network: only a web page may be handed
// to the desktop, never a local file or program.
bool isWebPage(const QString &address)
{
    if (address.size() > maxPageAddressLength)
        return false;
    const QUrl url(address);
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty()
           && (scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0
               || scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0);
}

// The longest version the box shows in full; a real one is a few characters,
// and a longer text would push the box's buttons off the screen.
const int maxShownVersionLength = 64;

// The version as the box shows it: the server's text without the control
// characters that have no business on screen (line feeds stay), cut short
// when it is far too long to be a version.
QString shownVersion(QString version)
{
    version.removeIf([](QChar c) { return c.category() == QChar::Other_Control && c != u'\n'; });
    if (version.size() > maxShownVersionLength)
        version = version.left(maxShownVersionLength) + QChar(0x2026); // "…"
    return version;
}

} // namespace

About::About(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::About)
{
    ui->setupUi(this);
    // The check button shows only its icon: screen readers announce its tool tip.
    ui->pushButton_checkForNewVersion->setAccessibleName(
        ui->pushButton_checkForNewVersion->toolTip());
    fitTitle();
    fillInSiteAndVersion();
    reachLinksByKeyboard();
    currentVersion = AppInfo::version();
    versionUrl = AppInfo::siteUrl(QStringLiteral("/programming/metrino/version.php")).toString();
    site = SiteClient::create(this);
    site->setObjectName(QStringLiteral("siteClient"));
    connect(site, &SiteClient::versionAnswered, this, &About::reportVersion);
    connect(site, &SiteClient::failed, this, &About::reportFailure);
}

About::~About()
{
    delete ui;
}

// The dialog's absolute layout was drawn for narrower fonts than some systems
// use; where the title would wrap and lose its second line, it is made just
// small enough to stay on one, with a little room before the version beside it.
// Fonts with tall lines need it as much as wide ones: a line taller than the
// label loses its foot.
void About::fitTitle()
{
    const int roomBeforeVersion = 6;
    QLabel *title = ui->label;
    const int width = title->contentsRect().width() - roomBeforeVersion;
    const auto fits = [title, width] {
        return QFontMetrics(title->font()).horizontalAdvance(title->text()) <= width
               && title->heightForWidth(title->width()) <= title->height();
    };
    while (!fits() && title->font().pointSizeF() > 6) {
        QFont smaller = title->font();
        smaller.setPointSizeF(smaller.pointSizeF() - 0.5);
        title->setFont(smaller);
    }
}

// Tab reaches the links of the texts, and Enter opens the one in focus.
void About::reachLinksByKeyboard()
{
    for (QLabel *label : findChildren<QLabel *>()) {
        if (label->openExternalLinks()) {
            label->setTextInteractionFlags(label->textInteractionFlags()
                                           | Qt::LinksAccessibleByKeyboard);
            label->installEventFilter(this);
        }
    }
}

// A text reached by Tab puts the focus on its first link (by Shift+Tab, its
// last), as the next Tab inside it would: the link then shows the focus, and
// Enter opens it rather than closing the dialog.
bool About::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
            const bool back = reason == Qt::BacktabFocusReason;
            QCoreApplication::postEvent(
                watched, new QKeyEvent(QEvent::KeyPress, back ? Qt::Key_Backtab : Qt::Key_Tab,
                                       back ? Qt::ShiftModifier : Qt::NoModifier));
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The rich texts of the form name the maker's site as "{site}" and "{domain}"
// and the running version as "{version}"; they are filled in here, so that the
// links follow the site the program was built for.
void About::fillInSiteAndVersion()
{
    const QString site = AppInfo::siteUrl(QString()).toString().toHtmlEscaped();
    const QString domain = AppInfo::organisationDomain().toHtmlEscaped();
    for (QLabel *label : {ui->label_version, ui->label_version_2, ui->label_2, ui->label_17}) {
        QString text = label->text();
        text.replace(QLatin1String("{site}"), site)
            .replace(QLatin1String("{domain}"), domain)
            .replace(QLatin1String("{version}"), AppInfo::version().toHtmlEscaped());
        label->setText(text);
    }
}

void About::on_pushButton_checkForNewVersion_clicked()
{
    waiting = std::make_unique<WaitIndicator>(
        std::initializer_list<QWidget *>{ui->buttonBox, ui->pushButton_checkForNewVersion},
        ui->scrollArea, tr("Έλεγχος για νέα έκδοση… (Esc: ακύρωση)"));
    site->checkVersion(versionUrl);
}

// Closing the dialog, by its button, Escape or the window's close button, ends
// the wait without a word; minimising it does not.
void About::hideEvent(QHideEvent *event)
{
    if (!isVisible() && site->isBusy()) {
        site->cancel();
        waiting.reset();
    }
    QDialog::hideEvent(event);
}

void About::reportVersion(const QByteArray &record)
{
    waiting->answerArrived();
    const auto enableAfterwards = qScopeGuard([this] { waiting.reset(); });
    // The record is "version@download address[@anything]", read as Latin-1
    // and used exactly as received.
    const QStringList fields = QString::fromLatin1(record).split(QLatin1Char('@'));
    const QString newestVersion = fields.value(0);
    switch (compareVersion(newestVersion)) {
    case Version::Same:
        QMessageBox::information(this, checkTitle(),
                                 tr("Έχετε την τελευταία έκδοση του Φ.Π.Α. μετρίνου"));
        break;
    case Version::ServerNewer: offerDownload(newestVersion, fields.value(1)); break;
    default: showCheckFailed(); break;
    }
}

void About::reportFailure()
{
    waiting->answerArrived();
    showCheckFailed();
    waiting.reset();
}

int About::compareVersion(QString serverVersion) const
{
    return Version::compare(serverVersion, currentVersion);
}

void About::offerDownload(const QString &newVersion, const QString &pageAddress)
{
    QMessageBox box(QMessageBox::Information, checkTitle(),
                    tr("Υπάρχει διαθέσιμη μια καινούργια έκδοση: %1\n\nΕσείς έχετε την: %2\n\n"
                       "Θέλετε να μεταβείτε στην ιστοσελίδα για κατέβασμα της καινούργιας "
                       "έκδοσης;")
                        .arg(shownVersion(newVersion), currentVersion),
                    QMessageBox::NoButton, this);
    // The version comes from the network: shown as it reads, never as markup
    // with links in it.
    box.setTextFormat(Qt::PlainText);
    QPushButton *yes = box.addButton(tr("&Ναι"), QMessageBox::ActionRole);
    QPushButton *no = box.addButton(tr("Όχι Ευχαριστώ!!!"), QMessageBox::ActionRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    if (box.clickedButton() != yes)
        return;

    // A reply usually ends with a line feed, which is no part of the address.
    const QString address = pageAddress.trimmed();
    if (isWebPage(address))
        QDesktopServices::openUrl(QUrl(address));
}

void About::showCheckFailed()
{
    QMessageBox::critical(this, checkTitle(),
                          tr("Κάτι πήγε στραβά, δεν μπόρεσα να κάνω τον έλεγχο."));
}

QString About::checkTitle()
{
    return tr("Φ.Π.Α. μετρίνο, Έλεγχος για καινούργια έκδοση");
}

#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class SiteClient;
class WaitIndicator;

QT_BEGIN_NAMESPACE
namespace Ui {
class About;
}
QT_END_NAMESPACE

// The About dialog: what the program is and offers, its licence and links,
// and a button that asks the maker's site whether a newer version exists.
class About : public QDialog
{
    Q_OBJECT

public:
    explicit About(QWidget *parent = nullptr);
    ~About() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    void on_pushButton_checkForNewVersion_clicked();

private:
    void reportVersion(const QByteArray &record);
    void reportFailure();
    int compareVersion(QString serverVersion) const;
    void offerDownload(const QString &newVersion, const QString &pageAddress);
    void showCheckFailed();
    static QString checkTitle();
    void fitTitle();
    void fillInSiteAndVersion();
    void reachLinksByKeyboard();

    Ui::About *ui;
    QString currentVersion;
    QString versionUrl;
    SiteClient *site;
    // From the press of the check button until its outcome has been shown.
    std::unique_ptr<WaitIndicator> waiting;
};

#pragma once

#include <QDialog>
#include <QString>

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

private slots:
    void on_pushButton_checkForNewVersion_clicked();

private:
    int compareVersion(QString serverVersion) const;
    void offerDownload(const QString &newVersion, const QString &pageAddress);
    void showCheckFailed();
    void fitTitle();
    void fillInSiteAndVersion();
    void reachLinksByKeyboard();

    Ui::About *ui;
    QString currentVersion;
    QString versionUrl;
};

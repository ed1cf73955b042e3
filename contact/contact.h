#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class SiteClient;
class WaitIndicator;

QT_BEGIN_NAMESPACE
namespace Ui {
class Contact;
}
QT_END_NAMESPACE

// The message dialog: a short free-text message, sent with the program's
// version to the maker's site.
class Contact : public QDialog
{
    Q_OBJECT

public:
    explicit Contact(QWidget *parent = nullptr);
    ~Contact() override;

    // Clears what an earlier message left, as when the dialog was new: the
    // counter starts again at maxMessageLength.
    void startEmpty();

    // The longest message that can be sent; also where the counter starts.
    static constexpr int maxMessageLength = 255;
    // The longest text the message box holds; more pasted is cut off there.
    static constexpr int maxHeldLength = 4000;

protected:
    void hideEvent(QHideEvent *event) override;

private slots:
    void on_textEdit_textChanged();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();

private:
    void growForLargerFonts();
    void nameCounter();
    void reportSent(const QByteArray &answer);
    void reportFailure();
    void endWaiting();
    void applyLengthLimit();
    void showError(const QString &text);

    Ui::Contact *ui;
    QString currentVersion;
    QString messageUrl;
    SiteClient *site;
    // From the press of the send button until its outcome has been shown.
    std::unique_ptr<WaitIndicator> waiting;
};

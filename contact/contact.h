#pragma once

#include <QDialog>
#include <QString>

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

private slots:
    void on_textEdit_textChanged();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();

private:
    // Cancelled: the dialog was closed while the message was on its way.
    enum class Outcome { TryAgain, Sent, NoAnswer, Cancelled };

    void growForLargerFonts();
    void nameCounter();
    Outcome submit();
    void applyLengthLimit();
    void showError(const QString &text);

    Ui::Contact *ui;
    QString currentVersion;
    QString messageUrl;
    // True from the press of the send button until its outcome has been shown.
    bool sending = false;
};

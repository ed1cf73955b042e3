#pragma once

#include <QDialog>

QT_BEGIN_NAMESPACE
namespace Ui {
class BusinessDialog;
}
QT_END_NAMESPACE

// Name, ΑΦΜ and address of the business, set once and kept in the settings
// when the user accepts them.
class BusinessDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BusinessDialog(QWidget *parent = nullptr);
    ~BusinessDialog() override;

    void accept() override;

private:
    Ui::BusinessDialog *ui;
};

#include "businessdialog.h"
#include "ui_businessdialog.h"

#include "core/business.h"

BusinessDialog::BusinessDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::BusinessDialog)
{
    ui->setupUi(this);
    const Business business = Business::fromSettings();
    ui->lineEdit_name->setText(business.name);
    ui->lineEdit_vatNumber->setText(business.vatNumber);
    ui->lineEdit_address->setText(business.address);
}

BusinessDialog::~BusinessDialog()
{
    delete ui;
}

void BusinessDialog::accept()
{
    Business{ui->lineEdit_name->text(), ui->lineEdit_vatNumber->text(),
             ui->lineEdit_address->text()}
        .toSettings();
    QDialog::accept();
}

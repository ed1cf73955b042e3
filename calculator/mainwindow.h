#pragma once

#include "core/rateset.h"

#include <QMainWindow>

class About;
class Contact;
class QAbstractButton;
class QAction;
class QDoubleSpinBox;
class QSettings;
class List;
class ListFileKeeper;
class RunEnd;

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

// The calculator: a price, a VAT rate, and the VAT and final amount computed
// from them in either direction. Its list window shows the saved list that
// the keeper is given; closing the calculator ends the run.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(ListFileKeeper &keeper, QWidget *parent = nullptr);
    ~MainWindow() override;

    List *listWindow();
    // Where every way of ending the run goes.
    RunEnd *runEnd() const { return ending; }

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_doubleSpinBox_poso_valueChanged(double arg1);
    void on_doubleSpinBox_fpa_valueChanged(double arg1);
    void rateClicked(int position);
    void on_pushButton_toggle_ontop_toggled(bool checked);
    void on_pushButton_add_to_list_clicked();
    void on_pushButton_about_clicked();
    void on_pushButton_clipBoard_clicked();
    void on_pushButton_contact_clicked();
    void on_pushButton_deFpa_toggled(bool checked);

private:
    void makeCommandButtonsAccessible();
    void numberRateButtons();
    void offerListShortcut();
    void offerCommandKeys();
    void offerRatesCommand();
    void offerRateKeys();
    void offerRatesInNumberBoxMenus(QAction *ratesCommand);
    void describeRateButtons();
    void editRates();
    void takeRates(const RateSet &followed);
    void showRateTexts();
    void workAtCheckedRate();
    void readyForNextPrice();
    static void nameKeyInToolTip(QWidget *widget, const QString &key);
    void showListWindow();
    static void bringUp(QWidget *dialog);
    void keepListPlace();
    void nameNumberBoxesAfterLabels();
    void giveNumberBoxesRoomForTheirText();
    void calculateFpa(double poso, double fpa);
    void updateAddToListButton(double newValue, const QDoubleSpinBox *otherInput);
    static double shownValue(const QDoubleSpinBox *box);
    static QString displayedText(const QDoubleSpinBox *box);

    Ui::MainWindow *ui;
    ListFileKeeper &keeper;
    RunEnd *ending;
    List *list = nullptr;
    About *about = nullptr;
    Contact *contact = nullptr;
    QSettings *settings;
    // The preset rates in force, kept in the settings; the list is filed
    // under them, and takes new ones before the calculator does.
    RateSet rates;
    // The list window's place from the last run, until the window is made.
    QByteArray listPlace;
};

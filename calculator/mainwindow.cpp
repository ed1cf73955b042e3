#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "about/about.h"
#include "contact/contact.h"
#include "core/amounttext.h"
#include "core/listfilekeeper.h"
#include "core/savedlist.h"
#include "core/vat.h"
#include "list/list.h"
#include "list/runend.h"
#include "numberboxmenu.h"
#include "rates.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QBoxLayout>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QStyleOptionSpinBox>
#include <QTextDocumentFragment>
#include <QTimer>

#include <iterator>

namespace {
const char geometryKey[] = "geometry";
const char stateKey[] = "state";
const char listGeometryKey[] = "listGeometry";
const int stateVersion = 1;

// The key of the rate button at that place on screen: Ctrl+1 for the first.
QKeySequence rateKey(int position)
{
    return QKeySequence(QKeyCombination(Qt::ControlModifier, Qt::Key(Qt::Key_1 + position)));
}

// The two result boxes only show numbers: screen readers get them as
// read-only text, as a read-only text field is reported, with neither typing
// nor stepping up and down on offer.
class ReadOnlyNumberBox : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ReadOnlyNumberBox(QAbstractSpinBox *box)
        : QAccessibleWidget(box, QAccessible::EditableText)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.editable = false;
        return state;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return shown();
        return QAccessibleWidget::text(t);
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The text, read as a whole; nothing in it can be selected or changed.
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QString text(int startOffset, int endOffset) const override
    {
        return shown().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shown().size()); }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return QString();
    }

private:
    QString shown() const { return static_cast<QAbstractSpinBox *>(widget())->text(); }
};

QAccessibleInterface *readOnlyNumberBoxes(const QString &, QObject *object)
{
    auto *box = qobject_cast<QDoubleSpinBox *>(object);
    return box && box->isReadOnly() ? new ReadOnlyNumberBox(box) : nullptr;
}

void reportResultBoxesReadOnly()
{
    static const bool installed = [] {
        QAccessible::installFactory(readOnlyNumberBoxes);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

MainWindow::MainWindow(ListFileKeeper &keeper, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , keeper(keeper)
    , ending(new RunEnd(keeper, this, [this]() -> QWidget * {
        return list && list->isVisible() ? static_cast<QWidget *>(list) : this;
    }))
{
    // Before the boxes exist: screen readers' view of a widget is made once.
    reportResultBoxesReadOnly();
    ui->setupUi(this);
    makeCommandButtonsAccessible();
    numberRateButtons();
    nameNumberBoxesAfterLabels();
    giveNumberBoxesRoomForTheirText();
    ui->doubleSpinBox_fpa->holdRate();
    offerListShortcut();
    offerCommandKeys();
    offerRatesCommand();
    offerRateKeys();
    ui->pushButton_add_to_list->setEnabled(false);
    connect(ui->buttonGroup, &QButtonGroup::idClicked, this, &MainWindow::rateClicked);

    settings = new QSettings(this);
    rates = keeper.list().rates();
    showRateTexts();
    workAtCheckedRate();
    restoreGeometry(settings->value(geometryKey).toByteArray());
    restoreState(settings->value(stateKey).toByteArray(), stateVersion);
    listPlace = settings->value(listGeometryKey).toByteArray();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    settings->setValue(geometryKey, saveGeometry());
    settings->setValue(stateKey, saveState(stateVersion));
    keepListPlace();
    settings->sync();
    // A long list is written on, and the window closed once it is in its
    // file.
    if (!ending->end(RunEnd::Ending::WindowClosed)) {
        event->ignore();
        return;
    }
    // The list is a window of its own: left open, it would keep the program
    // running without its calculator.
    if (list)
        list->hide();
    event->accept();
}

// The list window, with the saved list read into it, is made once the
// calculator has been painted for the first time, so that the calculator
// shows at once even when years of entries are saved; a command that needs
// the list before then makes it on the spot.
bool MainWindow::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::Paint && !list)
        QTimer::singleShot(0, this, [this] { listWindow(); });
    return handled;
}

List *MainWindow::listWindow()
{
    if (!list) {
        list = new List(keeper, this);
        connect(list, &List::ratesFollowed, this, &MainWindow::takeRates);
        // Adding shows the list without taking the keyboard from the calculator.
        list->setAttribute(Qt::WA_ShowWithoutActivating);
        list->setKeptPlace(listPlace);
    }
    return list;
}

// Ctrl+L brings up the saved list at any time, without adding to it.
void MainWindow::offerListShortcut()
{
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::showListWindow);
}

// The day's work goes by keys: Enter in the price or rate box adds to the
// list, and the bottom row's commands have keys of their own, named in their
// tool tips.
void MainWindow::offerCommandKeys()
{
    const std::pair<QPushButton *, QKeySequence> keys[] = {
        {ui->pushButton_clipBoard, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
        {ui->pushButton_deFpa, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {ui->pushButton_toggle_ontop, QKeySequence(Qt::CTRL | Qt::Key_T)}};
    // Not the buttons' own shortcuts, which would take the focus from the box
    // being typed into.
    for (const auto &[button, key] : keys) {
        new QShortcut(key, this, button, &QAbstractButton::click);
        nameKeyInToolTip(button, key.toString(QKeySequence::NativeText));
    }

    QPushButton *add = ui->pushButton_add_to_list;
    for (QDoubleSpinBox *box : {ui->doubleSpinBox_poso, ui->doubleSpinBox_fpa}) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
            new QShortcut(QKeySequence(key), box, add, &QAbstractButton::click,
                          Qt::WidgetWithChildrenShortcut);
    }
    nameKeyInToolTip(add, QStringLiteral("Enter"));
}

// The preset rates follow the law: the user sets them in a dialog reached by
// Ctrl+, or from the window's context menu, which leave the fixed window as
// it is.
void MainWindow::offerRatesCommand()
{
    auto *action = new QAction(tr("Συντελεστές Φ.Π.Α.…"), this);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    action->setShortcutVisibleInContextMenu(true);
    connect(action, &QAction::triggered, this, &MainWindow::editRates);
    addAction(action);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    offerRatesInNumberBoxMenus(action);
}

// The rates are found where the user's pointer and focus are: at the end of
// each number box's own menu.
void MainWindow::offerRatesInNumberBoxMenus(QAction *ratesCommand)
{
    QDoubleSpinBox *const boxes[] = {ui->doubleSpinBox_poso, ui->doubleSpinBox_fpa,
                                     ui->doubleSpinBox_additional_poso,
                                     ui->doubleSpinBox_final_poso};
    for (QDoubleSpinBox *box : boxes)
        NumberBoxMenu::endWith(box, ratesCommand);
}

// Ctrl+1 to Ctrl+6 press the rate buttons in their order on screen, from
// anywhere in the window, and leave the price selected for the next amount.
void MainWindow::offerRateKeys()
{
    for (int position = 0; position < RateSet::count; ++position) {
        QAbstractButton *button = ui->buttonGroup->button(position);
        auto *shortcut = new QShortcut(rateKey(position), this);
        connect(shortcut, &QShortcut::activated, this, [this, button] {
            button->click();
            ui->doubleSpinBox_poso->setFocus(Qt::ShortcutFocusReason);
            ui->doubleSpinBox_poso->selectAll();
        });
    }
}

// Each rate button names its rate, its key and where the rates are changed.
void MainWindow::describeRateButtons()
{
    const QString ratesKey =
        QKeySequence(Qt::CTRL | Qt::Key_Comma).toString(QKeySequence::NativeText);
    for (int position = 0; position < RateSet::count; ++position) {
        const QString key = rateKey(position).toString(QKeySequence::NativeText);
        ui->buttonGroup->button(position)->setToolTip(
            tr("Φ.Π.Α. %1 (%2)\n%3 : Συντελεστές Φ.Π.Α.").arg(rates.text(position), key, ratesKey));
    }
}

// The buttons' ids in their group are the positions of their rates.
void MainWindow::numberRateButtons()
{
    QAbstractButton *const inRateOrder[] = {ui->radioButton_fpa,   ui->radioButton_fpa_3,
                                            ui->radioButton_fpa_5, ui->radioButton_fpa_2,
                                            ui->radioButton_fpa_4, ui->radioButton_fpa_6};
    static_assert(std::size(inRateOrder) == RateSet::count);
    for (int position = 0; position < RateSet::count; ++position)
        ui->buttonGroup->setId(inRateOrder[position], position);
}

void MainWindow::editRates()
{
    Rates dialog(
        rates,
        [this](const RateSet &asked) { return listWindow()->savedList()->countMoves(asked); },
        this);
    if (dialog.exec() == QDialog::Accepted && dialog.rates() != rates)
        listWindow()->followRates(dialog.rates());
}

// Once the list has followed new rates, the buttons and the rate box do, and
// the rates are kept; a re-filing given up leaves all as it was.
void MainWindow::takeRates(const RateSet &followed)
{
    rates = followed;
    rates.save(*settings);
    showRateTexts();
    workAtCheckedRate();
}

// The rate box holds the checked button's rate, from the first paint on: the
// form's 23 is only the rate when nothing else is saved.
void MainWindow::workAtCheckedRate()
{
    const int position = ui->buttonGroup->checkedId();
    if (position >= 0)
        ui->doubleSpinBox_fpa->setValue(rates.percent(position));
}

void MainWindow::showRateTexts()
{
    for (int position = 0; position < RateSet::count; ++position)
        ui->buttonGroup->button(position)->setText(rates.text(position));
    describeRateButtons();
}

void MainWindow::nameKeyInToolTip(QWidget *widget, const QString &key)
{
    widget->setToolTip(QStringLiteral("%1 (%2)").arg(widget->toolTip(), key));
}

void MainWindow::showListWindow()
{
    bringUp(listWindow());
}

// The list window's place is kept only once it has been shown: a window that
// never appeared in this run leaves the place of an earlier one as it was.
void MainWindow::keepListPlace()
{
    if (list && list->hasBeenShown())
        settings->setValue(listGeometryKey, list->saveGeometry());
}

// The bottom row shows icons only: screen readers announce the tool tip
// instead, and Enter presses a focused button as Space does.
void MainWindow::makeCommandButtonsAccessible()
{
    for (QPushButton *button : ui->frame_3->findChildren<QPushButton *>()) {
        button->setAccessibleName(button->toolTip());
        button->setAutoDefault(true);
    }
}

// A number box is announced by the label above it ("Τελική Τιμή"), which
// changes with the mode.
void MainWindow::nameNumberBoxesAfterLabels()
{
    const std::pair<const QLabel *, QDoubleSpinBox *> labelled[] = {
        {ui->label_3, ui->doubleSpinBox_poso},
        {ui->label_4, ui->doubleSpinBox_fpa},
        {ui->label_6, ui->doubleSpinBox_additional_poso},
        {ui->label_7, ui->doubleSpinBox_final_poso}};
    for (const auto &[label, box] : labelled) {
        QString name = QTextDocumentFragment::fromHtml(label->text()).toPlainText().trimmed();
        if (name.endsWith(QLatin1Char(':')))
            name.chop(1);
        box->setAccessibleName(name);
    }
}

// The form's boxes are at most 21 px high, which cuts the foot of the decimal
// comma ("50.00" for "50,00") where the desktop's font has taller lines than
// the one the form was drawn with. Each box is made as high as a line of its
// text, and the room comes out of the spacing of the fixed window's column.
void MainWindow::giveNumberBoxesRoomForTheirText()
{
    QDoubleSpinBox *const boxes[] = {ui->doubleSpinBox_poso, ui->doubleSpinBox_fpa,
                                     ui->doubleSpinBox_additional_poso,
                                     ui->doubleSpinBox_final_poso};
    for (QDoubleSpinBox *box : boxes) {
        QStyleOptionSpinBox option;
        option.initFrom(box);
        option.rect = QRect(0, 0, box->maximumWidth(), box->maximumHeight());
        option.frame = box->hasFrame();
        option.buttonSymbols = box->buttonSymbols();
        option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField;
        const QRect field = box->style()->subControlRect(QStyle::CC_SpinBox, &option,
                                                         QStyle::SC_SpinBoxEditField, box);
        const int needed =
            box->maximumHeight() - field.height() + QFontMetrics(box->font()).height();
        // Never lower than the form has it.
        box->setFixedHeight(qMax(needed, box->maximumHeight()));
    }
    QLayout *column = ui->frame_2->layout();
    auto *spaced = qobject_cast<QBoxLayout *>(column);
    while (spaced && spaced->spacing() > 0
           && column->minimumSize().height() > ui->frame_2->height())
        spaced->setSpacing(spaced->spacing() - 1);
}

// The value a box shows, read back from its text as the box reads what is
// typed into it ("12.5" and "12,5" in any locale); anything else counts as 0.
double MainWindow::shownValue(const QDoubleSpinBox *box)
{
    return box->valueFromText(box->text());
}

// The box's value as the box writes it, "23,00", also while the user is still
// typing in it and the box holds "23".
QString MainWindow::displayedText(const QDoubleSpinBox *box)
{
    return box->textFromValue(box->value());
}

void MainWindow::calculateFpa(double poso, double fpa)
{
    const auto direction =
        ui->pushButton_deFpa->isChecked() ? Vat::Direction::ExtractVat : Vat::Direction::AddVat;
    const Vat::Amounts amounts = Vat::compute(poso, fpa, direction);
    ui->doubleSpinBox_final_poso->setValue(amounts.result());
    ui->doubleSpinBox_additional_poso->setValue(amounts.vat());
}

// Keeps the add-to-list button enabled exactly while price and rate are both
// non-zero; newValue is the input that just changed.
void MainWindow::updateAddToListButton(double newValue, const QDoubleSpinBox *otherInput)
{
    QPushButton *button = ui->pushButton_add_to_list;
    if (newValue == 0)
        button->setEnabled(false);
    else if (!button->isEnabled() && shownValue(otherInput) != 0)
        button->setEnabled(true);
}

void MainWindow::on_doubleSpinBox_poso_valueChanged(double arg1)
{
    calculateFpa(arg1, shownValue(ui->doubleSpinBox_fpa));
    updateAddToListButton(arg1, ui->doubleSpinBox_fpa);
}

void MainWindow::on_doubleSpinBox_fpa_valueChanged(double arg1)
{
    calculateFpa(shownValue(ui->doubleSpinBox_poso), arg1);
    updateAddToListButton(arg1, ui->doubleSpinBox_poso);
}

void MainWindow::rateClicked(int position)
{
    if (position < 0 || position >= RateSet::count)
        return;
    const double rate = rates.percent(position);

    calculateFpa(shownValue(ui->doubleSpinBox_poso), rate);
    ui->doubleSpinBox_fpa->setValue(rate);
}

void MainWindow::on_pushButton_deFpa_toggled(bool checked)
{
    if (checked) {
        ui->label_3->setText(tr("Τελική Τιμή:"));
        ui->label_6->setText(tr("Αφαιρούμενη Τιμή:"));
        ui->label_7->setText(tr("Αρχική Τιμή:"));
    } else {
        ui->label_3->setText(tr("Αρχική Τιμή:"));
        ui->label_6->setText(tr("Προστιθέμενη Τιμή:"));
        ui->label_7->setText(tr("Τελική Τιμή:"));
    }
    nameNumberBoxesAfterLabels();
    calculateFpa(shownValue(ui->doubleSpinBox_poso), shownValue(ui->doubleSpinBox_fpa));
}

void MainWindow::on_pushButton_toggle_ontop_toggled(bool checked)
{
    const Qt::WindowFlags onTop = Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint;
    setWindowFlags(checked ? windowFlags() | onTop : windowFlags() & ~onTop);
    show(); // changing the flags hides the window
}

void MainWindow::on_pushButton_add_to_list_clicked()
{
    if (listWindow()->isHidden()) {
        list->show();
        activateWindow(); // typing goes on in the calculator
    }

    if (shownValue(ui->doubleSpinBox_poso) == 0) {
        QMessageBox::critical(this, tr("Σφάλμα"),
                              tr("Εισάγατε μηδενική Tιμή Προϊόντος. \nΠαρακαλώ ξαναδοκιμάστε.\n"
                                 "Σας ευχαριστώ πολύ."));
        return;
    }
    if (shownValue(ui->doubleSpinBox_fpa) == 0) {
        QMessageBox::critical(this, tr("Σφάλμα"),
                              tr("Εισάγατε μηδενική Τιμή Φ.Π.Α. \nΠαρακαλώ ξαναδοκιμάστε.\n"
                                 "Σας ευχαριστώ πολύ."));
        return;
    }

    // The list always holds net amount, rate, VAT and gross amount.
    const bool extracting = ui->pushButton_deFpa->isChecked();
    const QDoubleSpinBox *net = extracting ? ui->doubleSpinBox_final_poso : ui->doubleSpinBox_poso;
    const QDoubleSpinBox *gross =
        extracting ? ui->doubleSpinBox_poso : ui->doubleSpinBox_final_poso;
    list->addEntry(displayedText(net), displayedText(ui->doubleSpinBox_fpa),
                   displayedText(ui->doubleSpinBox_additional_poso), displayedText(gross));
    readyForNextPrice();
}

// After an entry is filed the next price is typed over the last one, never
// onto its end; the rate and its button stay as they are.
void MainWindow::readyForNextPrice()
{
    QDoubleSpinBox *price = ui->doubleSpinBox_poso;
    price->setFocus(Qt::OtherFocusReason);
    price->selectAll();
}

// The calculator has one About and one Contact dialog, made when first asked
// for and shown again, where it was, whenever asked for after.
void MainWindow::on_pushButton_about_clicked()
{
    if (!about)
        about = new About(this);
    bringUp(about);
}

// Copies the final amount, to the cent, as a spreadsheet in the desktop's
// language reads a number pasted into it: "12345,67" in Greek, "12345.67" in
// English, never grouped.
void MainWindow::on_pushButton_clipBoard_clicked()
{
    const QString amount = AmountText::inLocale(ui->doubleSpinBox_final_poso->value(),
                                                ui->doubleSpinBox_final_poso->locale());
    QGuiApplication::clipboard()->setText(amount, QClipboard::Clipboard);
    QMessageBox::information(this, tr("Αντιγραφή στο Clipboard"),
                             tr("Η τελική τιμή έχει αντιγραφεί στο Clipboard"));
}

void MainWindow::on_pushButton_contact_clicked()
{
    if (!contact)
        contact = new Contact(this);
    else if (contact->isHidden())
        contact->startEmpty();
    bringUp(contact);
}

// Shows a window of the calculator's, restored and in front, with the focus.
void MainWindow::bringUp(QWidget *dialog)
{
    dialog->show();
    dialog->setWindowState(dialog->windowState() & ~Qt::WindowMinimized);
    dialog->raise();
    dialog->activateWindow();
}

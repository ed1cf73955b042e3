#pragma once

#include "calculator/mainwindow.h"
#include "list/list.h"
#include "testsupport.h"

#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTableWidget>
#include <QTest>

// The calculator window as a user sees it, reached through its object names.
struct Calculator {
    TestSupport::ListOfTheRun saved;
    MainWindow window{saved.keeper};

    // Shown, and with its list window made and loaded, as a user finds it.
    Calculator()
    {
        window.show();
        if (!QTest::qWaitFor([this] {
                const List *list = window.findChild<List *>();
                return list && list->isLoaded();
            }))
            qFatal("the list window was never made");
    }

    template <typename T = QWidget>
    T *widget(const char *name) const
    {
        return TestSupport::child<T>(&window, name);
    }
    QDoubleSpinBox *price() const { return widget<QDoubleSpinBox>("doubleSpinBox_poso"); }
    QDoubleSpinBox *rate() const { return widget<QDoubleSpinBox>("doubleSpinBox_fpa"); }
    QDoubleSpinBox *vat() const { return widget<QDoubleSpinBox>("doubleSpinBox_additional_poso"); }
    QDoubleSpinBox *finalAmount() const
    {
        return widget<QDoubleSpinBox>("doubleSpinBox_final_poso");
    }
    QPushButton *button(const char *name) const { return widget<QPushButton>(name); }
    QPushButton *addToList() const { return button("pushButton_add_to_list"); }
    QRadioButton *rateButton(const char *name) const { return widget<QRadioButton>(name); }
    QString label(const char *name) const { return widget<QLabel>(name)->text(); }

    // Replaces a box's text by typing, as a user would.
    void type(QDoubleSpinBox *box, const QString &text)
    {
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    QString results() const { return vat()->text() + " / " + finalAmount()->text(); }

    QDialog *list() const { return widget<QDialog>("List"); }
    QTableWidget *listTable(const char *name) const
    {
        return list()->findChild<QTableWidget *>(QLatin1String(name));
    }
    QStringList listRows(const char *table) const
    {
        QStringList rows;
        const QTableWidget *t = listTable(table);
        for (int row = 0; row < t->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < t->columnCount(); ++column)
                cells << t->item(row, column)->text();
            rows << cells.join('|');
        }
        return rows;
    }
    // The add-to-list command, also when its button is disabled.
    void addToListCommand()
    {
        QMetaObject::invokeMethod(&window, "on_pushButton_add_to_list_clicked");
    }
};

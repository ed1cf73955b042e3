#include "exportmodule.h"

#include "app/moduleloader.h"

#include <QCoreApplication>
#include <QMessageBox>

const TabExportCommands *ExportModule::load(QWidget *window)
{
    static TabExportCommands commands{};
    if (commands.toCsv)
        return &commands;
    QString reason;
    if (const ExportModule *module =
            ModuleLoader::load<ExportModule>(QStringLiteral(METRINO_EXPORT_MODULE), &reason)) {
        commands = module->commands();
        return &commands;
    }
    QMessageBox box(QMessageBox::Critical,
                    QCoreApplication::translate("ExportModule", "Φ.Π.Α. μετρίνο: Εξαγωγή"),
                    QCoreApplication::translate(
                        "ExportModule", "Η εξαγωγή και η εκτύπωση δεν είναι διαθέσιμες.\n\n%1")
                        .arg(reason),
                    QMessageBox::NoButton, window);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(box.addButton(QCoreApplication::translate("ExportModule", "Εντάξει"),
                                       QMessageBox::AcceptRole));
    box.exec();
    return nullptr;
}

#pragma once

#include "tabexport.h"

#include <QtPlugin>

// The tab's file and print commands (see TabExport), as the export module
// hands them to the list window. The module holds printing, the PDF and the
// spreadsheet files, and the libraries they need; it is loaded on the first
// such command.
struct TabExportCommands {
    TabExport::HandOn toCsv;
    TabExport::HandOn toPdf;
    TabExport::HandOn toXlsx; // null where the build has no Excel export
    TabExport::HandOn print;
    TabExport::HandOn (*printOrOfferPdf)(QWidget *parent);
};

class ExportModule
{
public:
    virtual ~ExportModule() = default;
    virtual TabExportCommands commands() const = 0;

    // The commands of the module, loading it the first time; where it cannot
    // be loaded, says why in a box over the window and gives null.
    static const TabExportCommands *load(QWidget *window);
};

#define ExportModule_iid "example.korvex.metrino.ExportModule/1"
Q_DECLARE_INTERFACE(ExportModule, ExportModule_iid)

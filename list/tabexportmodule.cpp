#include "tabexportmodule.h"

TabExportCommands TabExportModule::commands() const
{
#ifdef METRINO_XLSX
    const TabExport::HandOn toXlsx = TabExport::toXlsx;
#else
    const TabExport::HandOn toXlsx = nullptr;
#endif
    return {TabExport::toCsv, TabExport::toPdf, toXlsx, TabExport::print,
            TabExport::printOrOfferPdf};
}

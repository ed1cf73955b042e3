#pragma once

#include "exportmodule.h"

#include <QObject>

// The export module's entry: the commands of TabExport, built into the module.
class TabExportModule : public QObject, public ExportModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ExportModule_iid)
    Q_INTERFACES(ExportModule)

public:
    TabExportCommands commands() const override;
};

#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPluginLoader>
#include <QString>

// The parts of the program that few runs need (printing and the export
// files, with the libraries they bring) are modules of their own, loaded the
// first time they are used, so that the calculator starts without them. A
// module is looked for beside the program, then in the program's folder of
// the installed tree (lib/<architecture>/metrino on Linux). A program that
// has the module built in (the tests) takes that instead.
namespace ModuleLoader {

// The module's object, loaded once and kept for the rest of the run; null,
// with why in Greek, where the file is missing or is not a module of this
// build.
QObject *instance(const QString &fileName, QString *reason);

template <class Interface>
Interface *load(const QString &fileName, QString *reason)
{
    const auto builtIn = QPluginLoader::staticInstances();
    for (QObject *object : builtIn) {
        if (auto *module = qobject_cast<Interface *>(object))
            return module;
    }
    QObject *object = instance(fileName, reason);
    auto *module = qobject_cast<Interface *>(object);
    if (object && !module)
        *reason = QCoreApplication::translate("ModuleLoader",
                                              "Το αρχείο %1 δεν ταιριάζει σε αυτήν την έκδοση.")
                      .arg(fileName);
    return module;
}

} // namespace ModuleLoader

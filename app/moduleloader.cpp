#include "moduleloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace ModuleLoader {

namespace {

QStringList folders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.path(), QDir::cleanPath(program.filePath(QStringLiteral(METRINO_MODULE_DIR)))};
}

} // namespace

QObject *instance(const QString &fileName, QString *reason)
{
    // Loaders are kept, never unloaded: the module's code is in use until the
    // program ends.
    static QHash<QString, QPluginLoader *> loaders;
    if (QPluginLoader *loaded = loaders.value(fileName))
        return loaded->instance();
    for (const QString &folder : folders()) {
        const QString path = QDir(folder).filePath(fileName);
        if (!QFileInfo::exists(path))
            continue;
        auto *loader = new QPluginLoader(path);
        if (QObject *object = loader->instance()) {
            loaders.insert(fileName, loader);
            return object;
        }
        *reason = QCoreApplication::translate("ModuleLoader", "Το αρχείο %1 δεν φορτώθηκε:\n%2")
                      .arg(QDir::toNativeSeparators(path), loader->errorString());
        delete loader;
        return nullptr;
    }
    *reason = QCoreApplication::translate("ModuleLoader",
                                          "Λείπει το αρχείο %1 από τον φάκελο του προγράμματος.")
                  .arg(fileName);
    return nullptr;
}

} // namespace ModuleLoader

// The tests drive the windows with the program's modules built in: the
// module loader takes these before looking for the files.

#include <QtPlugin>

Q_IMPORT_PLUGIN(TabExportModule)
Q_IMPORT_PLUGIN(NetworkSiteModule)

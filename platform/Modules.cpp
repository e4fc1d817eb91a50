#include "Modules.h"

#include <dlfcn.h>
#include <map>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

std::map<QString, void*>& handles()
{
    static std::map<QString, void*> loaded;
    return loaded;
}

QString& folderOverride()
{
    static QString folder;
    return folder;
}

// Installed below the program's prefix; run from the build tree, the build's own folder. The
// program's file is asked of the system: the window module is loaded before any application
// object exists.
QString moduleFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const QString installed = QFileInfo(program).path() + QStringLiteral("/../lib/quillaro");
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return QStringLiteral(QUILLARO_BUILD_MODULES);
}

void* open(const QString& module, QString* error)
{
    const QString file = Modules::path(module);
    if (void* handle = handles()[file])
        return handle;
    void* handle = ::dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        *error = QStringLiteral("the program's module ") + file + QStringLiteral(" cannot be loaded: ")
                 + QString::fromLocal8Bit(why ? why : "unknown reason");
        return nullptr;
    }
    handles()[file] = handle;
    return handle;
}

} // namespace

QString Modules::path(const QString& module)
{
    return moduleFolder() + QStringLiteral("/libquillaro_") + module + QStringLiteral(".so");
}

void* Modules::entry(const QString& module, const char* name, QString* error)
{
    void* handle = open(module, error);
    if (!handle)
        return nullptr;
    void* found = ::dlsym(handle, name);
    if (!found)
        *error = QStringLiteral("the program's module ") + path(module)
                 + QStringLiteral(" has no entry point ") + QString::fromLatin1(name);
    return found;
}

bool Modules::isLoaded(const QString& module)
{
    const auto it = handles().find(path(module));
    return it != handles().end() && it->second;
}

void Modules::setFolder(const QString& folder) { folderOverride() = folder; }

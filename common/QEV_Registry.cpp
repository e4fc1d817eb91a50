#include "QEV_Registry.h"

#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "SettingsStore.h"

namespace {

const char* const kModule = "QEV_Registry";

} // namespace

void CreateKey(const QString& path, const QString& value)
{
    QString error;
    if (!SettingsStore::writePath(path, value, &error)) {
        ReportError(ModulLabel("CreateKey", kModule), ErrNo::PermissionDenied, error);
        WriteErrorLog(path, value);
    }
}

QString ReadKey(const QString& path)
{
    QString value;
    if (!SettingsStore::readPath(path, &value)) {
        ReportError(ModulLabel("ReadKey", kModule), ErrNo::FileNotFound,
                    QStringLiteral("the value does not exist: ") + path);
        WriteErrorLog(path);
        return {};
    }
    return value;
}

void DeleteKey(const QString& path)
{
    QString error;
    if (!SettingsStore::removePath(path, &error)) {
        ReportError(ModulLabel("DeleteKey", kModule), ErrNo::FileNotFound, error);
        WriteErrorLog(path);
    }
}

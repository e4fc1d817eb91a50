#include "QEV_GetSystemInfos.h"

#include "Globals.h"
#include "SystemInfo.h"

namespace {

WinVersionRecord& record()
{
    static WinVersionRecord r;
    return r;
}

} // namespace

QString ClipNull(const QString& text)
{
    QString out = text;
    out.remove(QChar(u'\0'));
    return out;
}

QString UserFromLogon(const QString& logon)
{
    const QString user = ClipNull(logon).trimmed().toUpper();
    return user.isEmpty() ? QStringLiteral("GUEST") : user;
}

QString MachineIdFromSerial(quint32 serial)
{
    return QStringLiteral("%1").arg(serial % 1000000000u, 9, 10, QLatin1Char('0'));
}

void GetPCInfos()
{
    g_User = UserFromLogon(GetUser());
    g_MachineID = MachineIdFromSerial(GetVolumeSerial(QStringLiteral("C")));
    const QString company = ClipNull(GetCompany()).trimmed().toUpper();
    g_Company = (company.isEmpty() || company.contains(QStringLiteral("HKEY_LOCAL_MACHINE")))
                    ? QStringLiteral("MYCOMPANY")
                    : company;
}

QString GetUser() { return SystemInfo::logonName(); }

// Linux keeps no registered organisation; nothing is read so that no start logs a failure.
QString GetCompany() { return {}; }

quint32 GetVolumeSerial(const QString& drive)
{
    Q_UNUSED(drive)
    return SystemInfo::machineSerial();
}

QString GetSysDir() { return SystemInfo::systemFolder(); }
QString GetWinDir() { return SystemInfo::windowsFolder(); }

QString GetWinVersion()
{
    const SystemInfo::OsVersion v = SystemInfo::osVersion();
    record() = WinVersionRecord{v.major, v.minor, v.build, v.platformId};
    return v.name.isEmpty() ? QStringLiteral("Unable To Get Windows Version") : v.name;
}

const WinVersionRecord& LastWinVersion() { return record(); }

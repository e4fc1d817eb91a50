#pragma once

#include <QString>

// The operating system's version as last read by GetWinVersion.
struct WinVersionRecord
{
    quint32 major = 0;
    quint32 minor = 0;
    quint32 build = 0;
    quint32 platformId = 0;
};

// Fills g_User, g_Company and g_MachineID.
void GetPCInfos();
[[nodiscard]] QString GetUser();
[[nodiscard]] QString GetCompany();
// A number that identifies the machine; the drive letter is kept for the callers' sake.
[[nodiscard]] quint32 GetVolumeSerial(const QString& drive);
[[nodiscard]] QString ClipNull(const QString& text);
[[nodiscard]] QString GetSysDir();
[[nodiscard]] QString GetWinDir();
// Refreshes the version record and gives the system's name.
[[nodiscard]] QString GetWinVersion();
[[nodiscard]] const WinVersionRecord& LastWinVersion();

// The nine-digit machine identifier made from a serial number.
[[nodiscard]] QString MachineIdFromSerial(quint32 serial);
// The user part of the settings names: upper-cased, trimmed, "GUEST" when empty.
[[nodiscard]] QString UserFromLogon(const QString& logon);

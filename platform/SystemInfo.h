#pragma once

#include <QString>

// What the machine tells about itself.
namespace SystemInfo {

// The log-on name of the user running the program; empty when the system has none.
[[nodiscard]] QString logonName();
// A number that identifies this machine and stays the same on every start (from
// /etc/machine-id; 0 when there is none).
[[nodiscard]] quint32 machineSerial();

struct OsVersion
{
    quint32 major = 0;
    quint32 minor = 0;
    quint32 build = 0;
    quint32 platformId = 0;
    QString name; // the distribution's pretty name, or the kernel name
};
[[nodiscard]] OsVersion osVersion();

// Locale names of the user's locale.
[[nodiscard]] int systemLanguageId();
[[nodiscard]] QString systemLanguageName();
[[nodiscard]] QString countryName();
[[nodiscard]] QString nativeLanguageName();
[[nodiscard]] QString nativeCountryName();

// The folders the system keeps its programs and libraries in.
[[nodiscard]] QString systemFolder();
[[nodiscard]] QString windowsFolder();

} // namespace SystemInfo

#include "SystemInfo.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

namespace {

QString readFirstLine(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readLine()).trimmed();
}

QString osReleaseName()
{
    QFile f(QStringLiteral("/etc/os-release"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("PRETTY_NAME="))) {
            QString v = line.mid(12).trimmed();
            if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
                v = v.mid(1, v.size() - 2);
            return v;
        }
    }
    return {};
}

} // namespace

namespace SystemInfo {

QString logonName()
{
    const passwd* pw = getpwuid(geteuid());
    if (!pw || !pw->pw_name)
        return {};
    return QString::fromLocal8Bit(pw->pw_name);
}

quint32 machineSerial()
{
    QString id = readFirstLine(QStringLiteral("/etc/machine-id"));
    if (id.isEmpty())
        id = readFirstLine(QStringLiteral("/var/lib/dbus/machine-id"));
    if (id.isEmpty())
        return 0;
    const QByteArray hash = QCryptographicHash::hash(id.toLatin1(), QCryptographicHash::Sha256);
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<quint8>(hash.at(i));
    return value;
}

OsVersion osVersion()
{
    OsVersion v;
    utsname u{};
    if (uname(&u) != 0)
        return v;
    const QString release = QString::fromLatin1(u.release);
    const auto m = QRegularExpression(QStringLiteral("^(\\d+)\\.(\\d+)(?:\\.(\\d+))?"))
                       .match(release);
    if (m.hasMatch()) {
        v.major = m.captured(1).toUInt();
        v.minor = m.captured(2).toUInt();
        v.build = m.captured(3).toUInt();
    }
    v.platformId = 0;
    v.name = osReleaseName();
    if (v.name.isEmpty())
        v.name = QString::fromLatin1(u.sysname) + QLatin1Char(' ') + release;
    return v;
}

int systemLanguageId() { return static_cast<int>(QLocale::system().language()); }
QString systemLanguageName() { return QLocale::languageToString(QLocale::system().language()); }
QString countryName() { return QLocale::territoryToString(QLocale().territory()); }
QString nativeLanguageName() { return QLocale().nativeLanguageName(); }
QString nativeCountryName() { return QLocale().nativeTerritoryName(); }
QString systemFolder() { return QStringLiteral("/usr/lib"); }
QString windowsFolder() { return QStringLiteral("/usr"); }

} // namespace SystemInfo

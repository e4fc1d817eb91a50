#include "ProfileName.h"

#include <QFile>

#include "SettingsKeys.h"

namespace ProfileName {

namespace {

// A file name holds at most 255 bytes; the longest name made from a profile's is its archive
// log, e.g. "_BackUp_d20261211__999.zip.cry.log" behind the name.
constexpr qsizetype kFileNameBytes = 255;
constexpr qsizetype kLongestSuffix = 40;

QString problem(const QString& name)
{
    QString reason;
    if (!SettingsKeys::validProfileName(name, &reason))
        return reason;
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("a name that starts with \".\" is hidden from the profile list");
    for (const QChar c : QStringLiteral(":?*<>|\"")) {
        if (name.contains(c))
            return QStringLiteral("the name holds one of \\ / : ? * < > | \"");
    }
    const qsizetype bytes = QFile::encodeName(name).size();
    if (bytes > kFileNameBytes - kLongestSuffix)
        return QStringLiteral("the name is too long for the names of its files: at most %1 "
                              "bytes, this one has %2")
            .arg(kFileNameBytes - kLongestSuffix)
            .arg(bytes);
    return {};
}

} // namespace

bool isAllowed(const QString& name, QString* why)
{
    const QString reason = problem(name);
    if (why)
        *why = reason;
    return reason.isEmpty();
}

} // namespace ProfileName

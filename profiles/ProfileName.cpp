#include "ProfileName.h"

#include "SettingsKeys.h"

namespace ProfileName {

namespace {

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

#include "QEV_ErrorLog.h"

#include <cstdio>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>

#include "Clock.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_GetSystemInfos.h"
#include "QEV_Language.h"
#include "SystemInfo.h"

namespace {

MainWindowErrorHooks& hooks()
{
    static MainWindowErrorHooks h;
    return h;
}

bool& reporting()
{
    static bool busy = false;
    return busy;
}

bool breaksLine(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// Control characters are written as \xNN (\uNNNN beyond Latin-1), as undecodable bytes of
// file names are: a name or message holding a line break cannot split or forge an entry.
QString oneLine(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!breaksLine(c.unicode()))
            out += c;
        else if (c.unicode() <= 0xFF)
            out += QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    }
    return out;
}

// Appends one line; the folder is created quietly, since the reporter must not report.
void appendLine(const QString& line)
{
    QDir().mkpath(Paths::commonFolder());
    QFile log(ErrorLogPath());
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    log.write((oneLine(line) + QLatin1Char('\n')).toUtf8());
}

QString errorLine(const QString& title, const QString& label, int line, int number,
                  const QString& description)
{
    return GeneralDate(Clock::now()) + QStringLiteral("  ") + title + QStringLiteral(" : ")
           + g_ProductNumber + QStringLiteral(" v.") + QString::number(kVersionMajor)
           + QLatin1Char('.') + QString::number(kVersionMinor) + QLatin1Char('.')
           + QString::number(kVersionRevision) + QStringLiteral("  ") + label
           + QStringLiteral("  ") + QString::number(line) + QStringLiteral("  ")
           + QString::number(number) + QStringLiteral("  ") + description;
}

QString printNumber(double value)
{
    const QString digits = QString::number(value, 'g', 15);
    return (value < 0 ? QString() : QStringLiteral(" ")) + digits + QLatin1Char(' ');
}

} // namespace

QString ErrorLogPath() { return Paths::commonFolder() + QStringLiteral("/error.log"); }

QString GeneralDate(const QDateTime& when)
{
    return QLocale().toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + when.time().toString(QStringLiteral("HH:mm:ss"));
}

QString PrintForm(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Double:
    case QMetaType::Float:
        return printNumber(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.isValid() ? value.toString() : QString();
    }
}

void setMainWindowErrorHooks(MainWindowErrorHooks h) { hooks() = std::move(h); }

void ErrorMsg(bool showBox, const QString& title, const QString& label, int line, int number,
              const QString& description)
{
    if (reporting())
        return;
    reporting() = true;
    if (showBox && bShowErrorBox) {
        MsgBox(title + QLatin1Char('/') + label + QStringLiteral(" : ") + QString::number(line)
                   + QStringLiteral("\n\n") + QString::number(number) + QLatin1Char(':')
                   + description
                   + QStringLiteral("\n\nPlease report this error to support@quillaro.invalid"),
               MsgButtons::Ok, MsgIcon::Critical, title + QStringLiteral(" Error Message"));
    }
    const QString text = errorLine(title, label, line, number, description);
    std::fprintf(stderr, "%s\n", oneLine(text).toLocal8Bit().constData());
    appendLine(text);
    if (hooks().showErrorIndicator)
        hooks().showErrorIndicator();
    reporting() = false;
}

void ReportError(const QString& label, int number, const QString& description)
{
    ErrorMsg(true, AppName.isEmpty() ? QStringLiteral("Quillaro") : AppName, label, 0, number,
             description);
}

void WriteErrorLog(const QVariant& v1, const QVariant& v2, const QVariant& v3, const QVariant& v4,
                   const QVariant& v5, const QVariant& v6, const QVariant& v7, const QVariant& v8,
                   const QVariant& v9, const QVariant& v10)
{
    QString line;
    for (const QVariant* v : {&v1, &v2, &v3, &v4, &v5, &v6, &v7, &v8, &v9, &v10})
        line += PrintForm(*v);
    appendLine(line);
}

void Ini_ErrorLog()
{
    if (QFile::exists(ErrorLogPath()) || !QDir(Paths::commonFolder()).exists())
        return;
    QFile log(ErrorLogPath());
    if (!log.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return;
    const QString winName = GetWinVersion();
    const WinVersionRecord& v = LastWinVersion();
    const QStringList lines = {
        QStringLiteral("########  q.e.v error log file - created ") + GeneralDate(Clock::now()),
        g_ProductNumber + QLatin1Char(' ') + g_User + QLatin1Char(' ') + g_MachineID
            + QLatin1Char(' ') + g_Company,
        PrintForm(SysLanguageID()) + SysLanguageName(),
        Country() + QLatin1Char(' ') + LanguageName() + QLatin1Char(' ') + NativeCountryName(),
        GetSysDir() + QLatin1Char(' ') + GetWinDir() + QLatin1Char(' ') + Paths::programFolder(),
        PrintForm(v.major) + PrintForm(v.minor) + PrintForm(v.build) + PrintForm(v.platformId)
            + winName,
        QStringLiteral("########  End of Header  ##########"),
    };
    log.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

void InNextVersion()
{
    if (hooks().setOnTop)
        hooks().setOnTop(false);
    MsgBox(LangText(21) + QLatin1Char('\n') + LangText(22), MsgButtons::Ok, MsgIcon::Information,
           LangText(23));
    if (hooks().wantsOnTop && hooks().setOnTop && hooks().wantsOnTop())
        hooks().setOnTop(true);
}

int SysLanguageID() { return SystemInfo::systemLanguageId(); }
QString SysLanguageName() { return SystemInfo::systemLanguageName(); }
QString Country() { return SystemInfo::countryName(); }
QString LanguageName() { return SystemInfo::nativeLanguageName(); }
QString NativeCountryName() { return SystemInfo::nativeCountryName(); }

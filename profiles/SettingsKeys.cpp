#include "SettingsKeys.h"

#include <cmath>

#include <QDir>
#include <QHash>

#include "Clock.h"
#include "Globals.h"
#include "Paths.h"

namespace {

SettingKey check(const char* key, int defaultValue)
{
    return {QString::fromLatin1(key), KeyKind::Check, QString::number(defaultValue),
            QString::fromLatin1(key)};
}

SettingKey option(const char* key, bool selected, const char* control = nullptr)
{
    return {QString::fromLatin1(key), KeyKind::Option,
            selected ? QStringLiteral("-1") : QStringLiteral("0"),
            QString::fromLatin1(control ? control : key)};
}

SettingKey text(const char* key, const QString& defaultValue)
{
    return {QString::fromLatin1(key), KeyKind::Text, defaultValue, QString::fromLatin1(key)};
}

const QString kDefaultExclusions = QStringLiteral(
    "*.swp,*.exe,*.bak,*.vbw,*.tmp,*.zip,*.cry,*.cab,*.rar,*.dll,*.ocx,*.log,*.wav,*.avi,*.qev");

QList<SettingKey> optionArray(const char* name, int first, int last, int selected)
{
    QList<SettingKey> keys;
    for (int i = first; i <= last; ++i) {
        const QString key = QString::fromLatin1(name) + QString::number(i);
        keys.append(
            {key, KeyKind::Option, i == selected ? QStringLiteral("-1") : QStringLiteral("0"),
             QString::fromLatin1(name) + QLatin1Char('(') + QString::number(i) + QLatin1Char(')')});
    }
    return keys;
}

} // namespace

namespace SettingsKeys {

QString userScope() { return QStringLiteral("QEV\\") + AppName + QLatin1Char('\\') + g_User; }
QString profileScope(const QString& profile) { return userScope() + QLatin1Char('\\') + profile; }
QString commonScope() { return QStringLiteral("QEV\\Common"); }
QString machineScope()
{
    return QStringLiteral("QEV\\") + AppName + QLatin1Char('\\') + g_MachineID;
}
QString utilityScope() { return QStringLiteral("QEV\\Pellovar\\") + g_User; }

QList<SettingKey> userKeys()
{
    return {text("ProfileText", QStringLiteral("Standard")),
            check("chkStartWithWindow", 0),
            check("chkSystray", 0),
            check("chkWinOnTop", 0),
            text("txtSpareSpace", QStringLiteral("0")),
            check("chkSound", 1),
            text("txtFTPserver", QStringLiteral("ftp.quillaro.invalid")),
            text("txtFTPuser", {}),
            text("txtFTPpassword", {}),
            text("txtFTPrestoreDir", QDir::homePath() + QStringLiteral("/backup/temp")),
            text("txtFTPProxy", {}),
            text("txtFTPport", QStringLiteral("21")),
            check("chkProxy", 0),
            check("chkProfileStandard", 0)};
}

QList<SettingKey> profileKeys()
{
    const QString program = Paths::programFolder();
    const QString today = dateText(Clock::today());
    QList<SettingKey> keys = {check("chkRemeberPassword", 0),
                              text("txtEncryptPassword", {}),
                              check("chkWriteLog", 0),
                              check("chkSelectionWarning", 0),
                              check("chkShutdown", 0),
                              text("txtFTPdir", QStringLiteral("backup")),
                              {QStringLiteral("SldRatio"), KeyKind::Slider, QStringLiteral("6"),
                               QStringLiteral("Slider1")},
                              text("txtPathBackUp", program),
                              text("txtPathTemp", program + QStringLiteral("/Temp")),
                              check("chkExclOldFiles", 0),
                              check("chkExclYoungFiles", 0),
                              check("chkExclYoungDayFiles", 0),
                              text("txtExclYoungDay", QStringLiteral("0")),
                              text("txtExclusions", kDefaultExclusions),
                              text("txtDirExclusions", QStringLiteral("backup,temp")),
                              text("txtInclusions", {}),
                              check("chkEncrypt", 0),
                              check("chkHiddenFolders", 1),
                              check("chkDeleteArchive", 0),
                              text("txtDeleteArchive", QStringLiteral("365")),
                              text("txtMaxFiles", QStringLiteral("1000")),
                              text("txtMaxZIPsize", QStringLiteral("100")),
                              check("chkMaxFiles", 1),
                              check("chkMaxZIPsize", 1),
                              option("optNewOnly", true),
                              option("optComplete", false),
                              option("optCompleteNoFilter", false)};
    keys += optionArray("optBuMode", 0, 2, 0);
    keys += optionArray("optArchive", 0, 2, 0);
    keys += {check("chkSendEmail", 0),
             check("chkFTP", 0),
             check("chkMedia", 1),
             check("chkAddNewSub", 0),
             check("chkSplit", 1),
             check("chkOverwriteFile", 1),
             check("chkInclSubDirStruct", 1),
             check("chkResetArchiveBit", 1),
             check("chkAppendArchive", 1),
             check("chkRunBefore", 0),
             check("chkRunAfter", 0),
             text("txtPathBefore", {}),
             text("txtCommandlineBefore", {}),
             text("txtPathAfter", {}),
             text("txtCommandlineAfter", {}),
             check("chkInclRegistry", 0),
             option("optRegistryTXT", false),
             option("optRegistryREG", true),
             check("chkInclOutlookE", 0),
             check("chkUseCDRecorder", 0),
             check("chkUseBurnProof", 0),
             {QStringLiteral("cboDevices"), KeyKind::ListPosition, QStringLiteral("0"),
              QStringLiteral("cboDevices")},
             {QStringLiteral("cboWriteSpeed"), KeyKind::ListPosition, QStringLiteral("0"),
              QStringLiteral("cboWriteSpeed")},
             text("txtWaitSecondsBefore", QStringLiteral("30")),
             text("txtWaitSecondsAfter", QStringLiteral("30"))};
    keys += optionArray("optWaitBefore", 0, 2, 1);
    keys += optionArray("optWaitAfter", 3, 5, 4);
    keys += {text("txtSourceSync", QStringLiteral("/")),
             text("txtDestinySync", QStringLiteral("/")),
             check("chkSyncBothDirections", 0),
             check("chkSyncSubDirs", 0),
             {QStringLiteral("DTPicker1"), KeyKind::Date, today, QStringLiteral("DTPicker1")},
             {QStringLiteral("DTPicker2"), KeyKind::Date, today, QStringLiteral("DTPicker2")}};
    return keys;
}

SettingKey find(const QString& key)
{
    // A load looks up every key: the tables are made once for the folders and the day they
    // depend on, not for each key.
    static QString madeFor;
    static QHash<QString, SettingKey> byName;
    const QString stamp = Paths::programFolder() + QLatin1Char('\n') + QDir::homePath()
                          + QLatin1Char('\n') + dateText(Clock::today());
    if (stamp != madeFor) {
        byName.clear();
        for (const QList<SettingKey>& table : {userKeys(), profileKeys()})
            for (const SettingKey& k : table)
                if (!byName.contains(k.key)) // the first of a name counts, as it always did
                    byName.insert(k.key, k);
        madeFor = stamp;
    }
    return byName.value(key);
}

QString checkText(int value) { return QString::number(value); }
QString optionText(bool selected) { return selected ? QStringLiteral("-1") : QStringLiteral("0"); }
QString dateText(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

bool parseShort(const QString& text, qint16* value)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || number < -32768.5 || number > 32767.5)
        return false;
    *value = static_cast<qint16>(std::nearbyint(number));
    return true;
}

bool parseInt(const QString& text, int* value)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || number < -2147483648.5 || number > 2147483647.5)
        return false;
    *value = static_cast<int>(std::nearbyint(number));
    return true;
}

bool parseCheck(const QString& text, int* value)
{
    qint16 number = 0;
    if (!parseShort(text, &number) || number < 0 || number > 2)
        return false;
    *value = number;
    return true;
}

bool parseOption(const QString& text, bool* selected)
{
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0
        || t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
        *selected = t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
        return true;
    }
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (!ok)
        return false;
    *selected = number != 0.0;
    return true;
}

bool parseDate(const QString& text, QDate* date)
{
    const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        return false;
    *date = d;
    return true;
}

bool validProfileName(const QString& name, QString* why)
{
    QString reason;
    if (name.trimmed().isEmpty())
        reason = QStringLiteral("the name is empty");
    else if (name == QStringLiteral(".") || name == QStringLiteral(".."))
        reason = QStringLiteral("\".\" and \"..\" name folders, not profiles");
    for (const QChar c : {QChar(u'/'), QChar(u'\\'), QChar(0), QChar(u'\n'), QChar(u'\r')}) {
        if (reason.isEmpty() && name.contains(c))
            reason = QStringLiteral("the name holds \"/\", \"\\\", a NUL or a line break");
    }
    if (why)
        *why = reason;
    return reason.isEmpty();
}

} // namespace SettingsKeys

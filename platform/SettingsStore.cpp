#include "SettingsStore.h"

#include <map>
#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include "Paths.h"

namespace {

// The start-with-Windows value lives in the desktop's autostart folder on Linux.
const QString kRunKey = QStringLiteral(
    "HKEY_LOCAL_MACHINE/Software/Microsoft/Windows/CurrentVersion/Run/");

std::map<QString, std::unique_ptr<QSettings>>& openFiles()
{
    static std::map<QString, std::unique_ptr<QSettings>> files;
    return files;
}

void protect(const QString& file)
{
    if (QFileInfo::exists(file))
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

QSettings& store(const QString& file)
{
    auto& files = openFiles();
    auto it = files.find(file);
    if (it == files.end()) {
        QDir().mkpath(QFileInfo(file).path());
        QFile::setPermissions(QFileInfo(file).path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        auto settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
        it = files.emplace(file, std::move(settings)).first;
    }
    return *it->second;
}

QString slashed(QString path)
{
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

QString storeKey(const QString& appName, const QString& section, const QString& key)
{
    return slashed(appName) + QLatin1Char('/') + section + QLatin1Char('/') + key;
}

QString autostartFile()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/quillaro.desktop");
}

bool isRunValue(const QString& path) { return path.startsWith(kRunKey, Qt::CaseInsensitive); }

// The Exec value of a desktop entry: one quoted argument in which ", `, $ and \ carry a
// backslash, then the value's own escape of the backslash, and "%" doubled for field codes.
QString execValue(const QString& command)
{
    QString quoted;
    for (const QChar c : command) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A backslash takes the next character as it is.
QString dropEscapes(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 1 < text.size())
            ++i;
        out += text.at(i);
    }
    return out;
}

QString commandOfExec(QString exec)
{
    exec.replace(QStringLiteral("%%"), QStringLiteral("%"));
    exec = dropEscapes(exec); // the value's own escapes; the quoting ones come next
    if (exec.size() >= 2 && exec.startsWith(QLatin1Char('"')) && exec.endsWith(QLatin1Char('"')))
        exec = exec.mid(1, exec.size() - 2);
    return dropEscapes(exec);
}

bool writeAutostart(const QString& command, QString* error)
{
    const QString file = autostartFile();
    QDir().mkpath(QFileInfo(file).path());
    QSaveFile out(file);
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Quillaro\nExec=")
                         + execValue(command) + QLatin1Char('\n');
    if (out.open(QIODevice::WriteOnly) && out.write(text.toUtf8()) >= 0 && out.commit())
        return true;
    if (error)
        *error = out.errorString();
    return false;
}

bool readAutostart(QString* value)
{
    QFile in(autostartFile());
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("Exec="))) {
            *value = commandOfExec(line.mid(5));
            return true;
        }
    }
    return false;
}

bool syncOne(QSettings& settings, QString* error)
{
    settings.sync();
    protect(settings.fileName());
    if (settings.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("cannot write ") + settings.fileName();
        return false;
    }
    return true;
}

} // namespace

QString SettingsStore::settingsFile() { return Paths::baseFolder() + QStringLiteral("/settings.ini"); }
QString SettingsStore::registryFile() { return Paths::baseFolder() + QStringLiteral("/registry.ini"); }

QString SettingsStore::getValue(const QString& appName, const QString& section, const QString& key,
                                const QString& defaultValue)
{
    const QVariant v = store(settingsFile()).value(storeKey(appName, section, key));
    if (!v.isValid())
        return defaultValue;
    // A value typed by hand with commas and no quotes is read as a list; it was meant as text.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

void SettingsStore::saveValue(const QString& appName, const QString& section, const QString& key,
                              const QString& value)
{
    QSettings& settings = store(settingsFile());
    const QString name = storeKey(appName, section, key);
    // A value saved as it stands changes nothing: the file is not written again for it.
    const QVariant stored = settings.value(name);
    if (stored.typeId() == QMetaType::QString && stored.toString() == value)
        return;
    settings.setValue(name, value);
}

bool SettingsStore::contains(const QString& appName, const QString& section, const QString& key)
{
    return store(settingsFile()).contains(storeKey(appName, section, key));
}

bool SettingsStore::readPath(const QString& fullPath, QString* value)
{
    const QString path = slashed(fullPath);
    if (isRunValue(path) && path.size() > kRunKey.size())
        return readAutostart(value);
    QSettings& reg = store(registryFile());
    if (path.endsWith(QLatin1Char('/'))) {
        reg.beginGroup(path.chopped(1));
        const bool exists = !reg.childKeys().isEmpty() || !reg.childGroups().isEmpty();
        reg.endGroup();
        if (exists)
            value->clear();
        return exists;
    }
    const QVariant v = reg.value(path);
    if (!v.isValid())
        return false;
    *value = v.toString();
    return true;
}

bool SettingsStore::writePath(const QString& fullPath, const QString& value, QString* error)
{
    const QString path = slashed(fullPath);
    if (isRunValue(path) && path.size() > kRunKey.size())
        return writeAutostart(value, error);
    if (path.endsWith(QLatin1Char('/'))) {
        // A key alone: keep an empty default value so that it exists.
        store(registryFile()).setValue(path + QStringLiteral("@"), QString());
    } else {
        store(registryFile()).setValue(path, value);
    }
    return syncOne(store(registryFile()), error);
}

bool SettingsStore::removePath(const QString& fullPath, QString* error)
{
    const QString path = slashed(fullPath);
    if (isRunValue(path) && path.size() > kRunKey.size()) {
        if (QFile::exists(autostartFile()) && !QFile::remove(autostartFile())) {
            if (error)
                *error = QStringLiteral("cannot remove ") + autostartFile();
            return false;
        }
        return true;
    }
    QString existing;
    if (!readPath(fullPath, &existing)) {
        if (error)
            *error = QStringLiteral("no such value or key: ") + fullPath;
        return false;
    }
    QSettings& reg = store(registryFile());
    reg.remove(path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path);
    return syncOne(reg, error);
}

bool SettingsStore::flush(QString* error)
{
    bool ok = true;
    for (auto& [file, settings] : openFiles())
        ok = syncOne(*settings, error) && ok;
    return ok;
}

void SettingsStore::reset()
{
    (void)flush();
    openFiles().clear();
}

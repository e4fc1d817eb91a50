#include "Paths.h"

#include <array>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString& assetsOverride()
{
    static QString folder;
    return folder;
}

bool makeFolder(const QString& path, QFile::Permissions perms, QString* error)
{
    if (!QDir().mkpath(path)) {
        if (error)
            *error = QStringLiteral("cannot create folder ") + path;
        return false;
    }
    QFile::setPermissions(path, perms);
    return true;
}

bool copyMissingAssets(const QString& from, const QString& to, QString* error)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    bool ok = true;
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (QFileInfo::exists(target))
            continue;
        QDir().mkpath(QFileInfo(target).path());
        if (!QFile::copy(source, target)) {
            ok = false;
            if (error)
                *error = QStringLiteral("cannot copy ") + source + QStringLiteral(" to ") + target;
            continue;
        }
        // Shipped files are installed read-only; the user's copies are theirs to change.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
    }
    return ok;
}

// A file or folder of the install tree's share/quillaro beside the program's bin folder; the
// source tree's when the program runs from the build tree.
QString installedOr(const QString& name, const QString& inSources)
{
    const QString installed = QCoreApplication::applicationDirPath()
                              + QStringLiteral("/../share/quillaro/") + name;
    return QFileInfo::exists(installed) ? QDir::cleanPath(installed) : inSources;
}

} // namespace

namespace Paths {

namespace {

QString baseFolderOfEnvironment()
{
    const QString home = qEnvironmentVariable("QUILLARO_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/quillaro"));
}

} // namespace

// The attribute store asks for every file of a run: the folder is made again only when a
// variable it is made of changed.
QString baseFolder()
{
    static const char* const variables[] = {"QUILLARO_HOME", "XDG_DATA_HOME", "HOME"};
    struct Known
    {
        std::array<std::string, std::size(variables)> values;
        QString folder;
        bool made = false;
    };
    thread_local Known known;
    bool same = known.made;
    for (size_t i = 0; i < known.values.size(); ++i) {
        const char* value = std::getenv(variables[i]);
        const std::string_view now = value ? value : "";
        if (now != known.values[i]) {
            known.values[i] = now;
            same = false;
        }
    }
    if (!same) {
        known.folder = baseFolderOfEnvironment();
        known.made = true;
    }
    return known.folder;
}

QString programFolder() { return baseFolder() + QStringLiteral("/program"); }
QString commonFolder() { return baseFolder() + QStringLiteral("/Common"); }
QString tempFolder() { return baseFolder() + QStringLiteral("/temp"); }

void setShippedAssetsFolder(const QString& folder) { assetsOverride() = folder; }

QString shippedAssetsFolder()
{
    if (!assetsOverride().isEmpty())
        return assetsOverride();
#ifdef QUILLARO_SOURCE_COMMON
    return installedOr(QStringLiteral("Common"), QStringLiteral(QUILLARO_SOURCE_COMMON));
#else
    return installedOr(QStringLiteral("Common"), {});
#endif
}

QString shippedHelpFile()
{
#ifdef QUILLARO_SOURCE_HELP
    return installedOr(QStringLiteral("README.md"), QStringLiteral(QUILLARO_SOURCE_HELP));
#else
    return installedOr(QStringLiteral("README.md"), {});
#endif
}

bool prepareFolders(QString* error)
{
    const auto privateDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    bool ok = makeFolder(baseFolder(), privateDir, error);
    ok = makeFolder(programFolder(), privateDir, error) && ok;
    ok = makeFolder(tempFolder(), privateDir, error) && ok;
    const QString assets = shippedAssetsFolder();
    if (!assets.isEmpty() && QFileInfo(assets).isDir()) {
        ok = makeFolder(commonFolder(), privateDir, error) && ok;
        ok = copyMissingAssets(assets, commonFolder(), error) && ok;
    }
    return ok;
}

} // namespace Paths

#pragma once

#include <QString>

// The per-user application-settings store: string values addressed by application name,
// section and key, kept in one INI file. Application names use "\" between levels, as in
// "QEV\Quillaro\ALICE". Writes are buffered and reach the disk atomically at flush(),
// at the next turn of the event loop, or at exit.
class SettingsStore
{
public:
    // Values addressed by application name, section and key, in B/settings.ini.
    [[nodiscard]] static QString getValue(const QString& appName, const QString& section,
                                          const QString& key, const QString& defaultValue = {});
    static void saveValue(const QString& appName, const QString& section, const QString& key,
                          const QString& value);
    [[nodiscard]] static bool contains(const QString& appName, const QString& section,
                                       const QString& key);

    // Values addressed by a full registry-style path ("HKEY_...\Key\Value"), in B/registry.ini.
    // A path ending in "\" names a key. read() gives false when the value does not exist.
    [[nodiscard]] static bool readPath(const QString& fullPath, QString* value);
    [[nodiscard]] static bool writePath(const QString& fullPath, const QString& value,
                                        QString* error = nullptr);
    [[nodiscard]] static bool removePath(const QString& fullPath, QString* error = nullptr);

    // Writes pending changes of both files now; false when a file could not be written.
    [[nodiscard]] static bool flush(QString* error = nullptr);
    // Drops the cached files, so that a changed base folder (tests) takes effect.
    static void reset();

    [[nodiscard]] static QString settingsFile();
    [[nodiscard]] static QString registryFile();
};

#pragma once

#include <QList>
#include <QString>

// The profile selection file: the profile name with ".pfl" in the program folder, one pair
// of lines per source entry: the entry, then its selected flag ("-1 " or " 0 ").

// The row that asks for new subfolders of the folder that follows it.
inline const QString kAutoAddPrefix = QStringLiteral("** automatically add new subdirectories to ");

struct ProfileRow
{
    QString text;
    bool selected = false;
    [[nodiscard]] bool isAutoAdd() const { return text.startsWith(QStringLiteral("**")); }
    // The folder of an auto-add row.
    [[nodiscard]] QString autoAddFolder() const { return text.mid(kAutoAddPrefix.size()); }
};

struct ProfileFileContent
{
    QList<ProfileRow> rows; // accepted pairs in file order
    bool complete = true; // false when reading stopped at a failure
    QString error;
};

namespace ProfileFile {

[[nodiscard]] QString path(const QString& profileName);
// The flag line of a selected flag.
[[nodiscard]] QString flagLine(bool selected);
// Writes the whole file at once; the old file stays whole when writing fails.
[[nodiscard]] bool write(const QString& file, const QList<ProfileRow>& rows, QString* error);
// Reads the accepted pairs: an entry line that starts with "**" or "/" and a flag line that
// holds a number (not 0: selected). A rejected entry line takes no flag line with it, so an
// out-of-step file falls back into step.
[[nodiscard]] ProfileFileContent read(const QString& file);

} // namespace ProfileFile

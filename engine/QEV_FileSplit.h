#pragma once

#include <QStringList>

// Cuts a file into numbered pieces (name.1, name.2, ...) of partSize bytes in destDir and
// writes the joiner name.sh beside them, a POSIX sh script that joins them back into name.
// The source is only read. Pieces of an earlier split of the same name are removed first.
// True when all pieces and the joiner were written; on failure nothing of this split stays.
// *written receives the pieces and the joiner, in that order.
[[nodiscard]] bool SplitFiles(const QString& sSource, const QString& sDestDir, qint32 lPartSize,
                              QStringList* written = nullptr);

// The folder below splitRoot that mirrors the source's own folder, so that the pieces of
// two files of the same name from different folders never share a folder or an entry name.
[[nodiscard]] QString SplitFolder(const QString& splitRoot, const QString& sSource);

// The path up to and including its last "/" (empty when it has none).
[[nodiscard]] QString DetermineDirectory(const QString& path);
// The text after the last "/" (the whole path when it has none).
[[nodiscard]] QString DetermineFilename(const QString& path);

// The joiner script for the source name and n pieces.
[[nodiscard]] QByteArray JoinerScript(const QString& name, int pieces);

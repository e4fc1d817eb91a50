#pragma once

#include <QStringList>

// File names as the file system holds them: bytes, which need not be valid UTF-8.
namespace RawFileNames {

// The entries of the folder, other than folders, whose names are not valid UTF-8. Qt's
// listings pass over such names; each is given as a path with its invalid bytes written
// as \xNN, so that it can be named in a log.
[[nodiscard]] QStringList undecodable(const QString& folder);

} // namespace RawFileNames

#pragma once

#include <QStringList>

// File names as the file system holds them: bytes, which need not be valid UTF-8.
namespace RawFileNames {

// The name as text for a log: its valid stretches as they are, each invalid byte as \xNN.
[[nodiscard]] QString escaped(QByteArrayView name);

} // namespace RawFileNames

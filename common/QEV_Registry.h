#pragma once

#include <QString>

// Registry values by full path ("HKEY_...\Key\Value"; a path ending in "\" names a key).
void CreateKey(const QString& path, const QString& value);
// The value as text; empty, with an error-log entry, when it cannot be read.
[[nodiscard]] QString ReadKey(const QString& path);
void DeleteKey(const QString& path);

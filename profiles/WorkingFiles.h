#pragma once

#include <QString>

// The temp folder's working files ("*_BackUp_*") may be cleared only where no finished archive
// can lie: the temp folder must be a full path, not the root, and neither the destination
// folder nor a folder above it. *why tells why not.
[[nodiscard]] bool MayClearWorkingFiles(const QString& tempFolder, const QString& destination,
                                        QString* why = nullptr);

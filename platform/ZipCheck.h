#pragma once

#include <QString>

// Reads an archive's directory and every entry's own header and checks that they agree and
// lie within the file: what opening it to read would find wrong, without keeping its entries.
namespace ZipCheck {

[[nodiscard]] bool wholeArchive(const QString& path, QString* error);

} // namespace ZipCheck

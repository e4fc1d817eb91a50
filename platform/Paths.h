#pragma once

#include <QString>

// The folders the program works in, all below one base folder: $QUILLARO_HOME when set,
// else $XDG_DATA_HOME/quillaro (default ~/.local/share/quillaro).
namespace Paths {

[[nodiscard]] QString baseFolder();
// The program's own folder (the one the profile files and the frame folder live in).
[[nodiscard]] QString programFolder();
// The folder "Common" beside the program folder: language files, pictures, clips, the error log.
[[nodiscard]] QString commonFolder();
// The folder "temp" beside the program folder.
[[nodiscard]] QString tempFolder();
// Where the shipped read-only assets are: the install tree, or the source tree's Common/.
[[nodiscard]] QString shippedAssetsFolder();
// The program's help, README.md: the one installed beside the assets, or the source tree's.
[[nodiscard]] QString shippedHelpFile();

// Creates the base, program and temp folders and copies shipped assets that the user's
// Common folder lacks. The user's own files are never overwritten.
[[nodiscard]] bool prepareFolders(QString* error = nullptr);

// Lets tests and the installer name the shipped assets folder explicitly.
void setShippedAssetsFolder(const QString& folder);

} // namespace Paths

#pragma once

#include <QString>

// Loads the language file of that name (the language name with ".lng") from the Common
// folder's "language" folder into the text table. False when the file is missing or cannot
// be read (the user has been told); a malformed entry line is logged and skipped.
[[nodiscard]] bool set_language(const QString& fileName);

// Text number n of the loaded language file; empty for a number the file does not give.
[[nodiscard]] QString LangText(int n);

// The highest text number loaded, -1 when the table is empty.
[[nodiscard]] int LangTextCount();

// Reads a language file from any path into the table (the loader behind set_language).
[[nodiscard]] bool LoadLanguageFile(const QString& path);

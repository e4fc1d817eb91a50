#pragma once

#include <QString>

// The optional parts of the program (sound and speech, FTP, mail, CD writing) live in modules of
// their own beside the program, loaded when first used: a run that uses none of them maps
// none of their libraries. A module stays loaded until the program ends.
namespace Modules {

// The entry point of a module; null with the reason in *error when the module, or a library
// it needs, cannot be loaded.
[[nodiscard]] void* entry(const QString& module, const char* name, QString* error);

// The file a module is loaded from: "libquillaro_NAME.so" in the program's module folder.
[[nodiscard]] QString path(const QString& module);

// Tests: whether a module has been loaded into this process.
[[nodiscard]] bool isLoaded(const QString& module);
// Tests: modules are looked for in this folder; empty restores the program's own.
void setFolder(const QString& folder);

} // namespace Modules

// Marks a module's entry point: the one name a module shows to the program.
#define QUILLARO_MODULE_ENTRY extern "C" __attribute__((visibility("default")))

#pragma once

#include <QString>
#include <QStringList>

// The window module: the main window, its dialogs and the application that shows them. Only a
// start that may show a window loads it; the program itself needs no Qt Gui or Qt Widgets.
namespace WindowModule {

inline const QString kName = QStringLiteral("window");

// Makes the application, goes through the start-up sequence with the arguments and, when it
// leaves a window open, the event loop; gives the program's exit code. argc and argv are the
// program's own and outlive the call.
using Start = int (*)(int& argc, char** argv, const QStringList& arguments);
inline constexpr char kStart[] = "quillaroStartWindow";

} // namespace WindowModule

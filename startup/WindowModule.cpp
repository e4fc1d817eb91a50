// The entry point of the window module.
#include <cstdio>

#include <QApplication>

#include "Modules.h"
#include "Paths.h"
#include "Quillaro_Main.h"
#include "SingleInstance.h"
#include "WidgetDialogs.h"
#include "WindowModule.h"

QUILLARO_MODULE_ENTRY int quillaroStartWindow(int& argc, char** argv, const QStringList& arguments)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);
    QString error;
    if (!Paths::prepareFolders(&error))
        std::fprintf(stderr, "quillaro: %s\n", error.toLocal8Bit().constData());
    // Scripts and tests that start the program read the boxes on standard error instead.
    if (!qEnvironmentVariableIsSet("QUILLARO_NO_DIALOGS"))
        WidgetDialogs::installMessageBoxPresenter();
    SingleInstance instance;
    const StartResult started = Main(arguments, instance);
    if (!started.keepRunning)
        return started.exitCode;
    return QApplication::exec();
}

#include <cstdio>

#include <QApplication>

#include "MessageBox.h"
#include "Paths.h"
#include "Quillaro_Main.h"
#include "SingleInstance.h"
#include "WidgetDialogs.h"

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Scripts and tests that start the program answer every box with its safe button and
// read the box on standard error instead.
MsgResult printBox(const MsgRequest& request)
{
    std::fprintf(stderr, "quillaro: message box \"%s\": %s\n",
                 request.title.toLocal8Bit().constData(), request.text.toLocal8Bit().constData());
    return MessageBoxSeam::safeAnswer(request.buttons);
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString argText = ArgumentText(arguments);
    if (!hasDisplay()) {
        if (!HasRunSwitch(argText)) {
            std::fprintf(stderr, "quillaro: no display (DISPLAY and WAYLAND_DISPLAY are unset); "
                                 "only an unattended run (/run) works without one\n");
            return 2;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);
    QString error;
    if (!Paths::prepareFolders(&error))
        std::fprintf(stderr, "quillaro: %s\n", error.toLocal8Bit().constData());
    if (qEnvironmentVariableIsSet("QUILLARO_NO_DIALOGS"))
        MessageBoxSeam::setPresenter(printBox);
    else
        WidgetDialogs::installMessageBoxPresenter();
    SingleInstance instance;
    const StartResult started = Main(argText, instance);
    if (!started.keepRunning)
        return started.exitCode;
    return QApplication::exec();
}

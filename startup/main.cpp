#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include "Clock.h"
#include "MessageBox.h"
#include "Modules.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "Switches.h"
#include "UnattendedRun.h"
#include "WindowModule.h"

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

// Cron mails whatever a job prints: an unattended run keeps its standard output and error
// quiet (libraries too) and reports through the error log. Gives the descriptor that still
// reaches the real standard error.
int silenceOutput()
{
    const int kept = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (kept < 0 || null < 0)
        return kept < 0 ? STDERR_FILENO : kept;
    (void)::dup2(null, STDOUT_FILENO);
    (void)::dup2(null, STDERR_FILENO);
    ::close(null);
    return kept;
}

// The one line of an unattended run that did not simply complete.
void tellOutcome(int stderrFd, int exitCode)
{
    if (exitCode == 0)
        return;
    const char* what = exitCode == 3 ? "the backup finished with problems" : "the backup failed";
    const QByteArray line = QByteArray("quillaro: ") + what + " - see the error log "
                            + QFile::encodeName(ErrorLogPath()) + '\n';
    (void)!::write(stderrFd, line.constData(), static_cast<size_t>(line.size()));
}

void prepareFolders()
{
    QString error;
    if (!Paths::prepareFolders(&error))
        std::fprintf(stderr, "quillaro: %s\n", error.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // A reader that went away must not end a run half-way: writes fail with EPIPE instead.
    // (The programs run before and after get the usual disposition back.)
    std::signal(SIGPIPE, SIG_IGN);
    Clock::pinLocalTimeZone();
    // An unattended run shows nothing: it needs no display and builds no window.
    if (HasRunSwitch(arguments)) {
        const int stderrFd = silenceOutput();
        QCoreApplication app(argc, argv);
        prepareFolders();
        const int exitCode = RunUnattended(arguments);
        tellOutcome(stderrFd, exitCode);
        return exitCode;
    }
    if (!hasDisplay()) {
        std::fprintf(stderr, "quillaro: no display (DISPLAY and WAYLAND_DISPLAY are unset); "
                             "only an unattended run (/run) works without one\n");
        return 2;
    }
    if (qEnvironmentVariableIsSet("QUILLARO_NO_DIALOGS"))
        MessageBoxSeam::setPresenter(printBox);
    QString error;
    const auto start = reinterpret_cast<WindowModule::Start>(
        Modules::entry(WindowModule::kName, WindowModule::kStart, &error));
    if (!start) {
        std::fprintf(stderr, "quillaro: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return start(argc, argv, arguments);
}

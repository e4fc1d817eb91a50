// Driver of scripts/bench-window.sh: prepares the main window as start-up does for
// "/profile:Standard /dir:DEST" (without the splash), then carries out one backup run either
// from the shown window or as the unattended run does, and prints the run's milliseconds and
// its exit code. Usage: bench_window window|unattended DEST
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTextStream>

#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_GetSystemInfos.h"
#include "QEV_Language.h"
#include "Quillaro_Main.h"
#include "frmMain_BackUp.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString mode = argc == 3 ? QString::fromLocal8Bit(argv[1]) : QString();
    if ((mode != QStringLiteral("window") && mode != QStringLiteral("unattended"))
        || !Paths::prepareFolders())
        return 2;
    const bool unattended = mode == QStringLiteral("unattended");
    bShowErrorBox = false;
    AppName = QStringLiteral("Quillaro");
    GetPCInfos();
    MessageBoxSeam::setUnattended(unattended);
    MessageBoxSeam::setPresenter([](const MsgRequest& r) { return MessageBoxSeam::safeAnswer(r.buttons); });
    if (!set_language(QStringLiteral("english.lng")))
        return 2;
    Ini_ErrorLog();
    auto* window = new frmMain_BackUp;
    g_frmMain = window;
    window->Form_Load();
    QCoreApplication::processEvents();
    if (!ApplyProfileSwitch(*window, QStringLiteral("Standard"), unattended))
        return 2;
    window->txtPathBackUp->setText(QString::fromLocal8Bit(argv[2]));
    QCoreApplication::processEvents();
    g_bAutoRun = unattended;
    QElapsedTimer timer;
    timer.start();
    window->cmdBackUpNow();
    const qint64 ms = timer.elapsed();
    QTextStream(stdout) << ms << ' ' << window->runExitCode() << '\n';
    g_bAutoRun = true; // closing saves nothing
    window->close();
    delete g_frmMain;
    return 0;
}

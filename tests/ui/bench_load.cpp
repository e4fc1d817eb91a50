// Driver of scripts/bench-load.sh: loads a profile whose source list holds the given number of
// rows (half of them selected) into the real window, offscreen, and prints the milliseconds the
// load took. Usage: bench_load ROWS
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTextStream>

#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "QEV_GetSystemInfos.h"
#include "QEV_Language.h"
#include "Quillaro_Sub.h"
#include "frmMain_BackUp.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rows = argc == 2 ? QString::fromLocal8Bit(argv[1]).toInt() : -1;
    if (rows < 0 || !Paths::prepareFolders())
        return 2;
    AppName = QStringLiteral("Quillaro");
    GetPCInfos();
    MessageBoxSeam::setPresenter([](const MsgRequest& r) { return MessageBoxSeam::safeAnswer(r.buttons); });
    if (!set_language(QStringLiteral("english.lng")))
        return 2;
    auto* window = new frmMain_BackUp;
    g_frmMain = window;
    window->Form_Load();
    QList<ProfileRow> list;
    for (int i = 0; i < rows; ++i)
        list.append({QStringLiteral("/data/folder%1/sub/*.*").arg(i, 6, 10, QLatin1Char('0')), i % 2 == 0});
    QString error;
    if (!ProfileFile::write(ProfileFile::path(window->cmbProfiles->currentText()), list, &error))
        return 2;
    QElapsedTimer timer;
    timer.start();
    Load_Settings();
    const qint64 ms = timer.elapsed();
    const int loaded = window->List1->count();
    QTextStream(stdout) << loaded << " rows in " << ms << " ms\n";
    g_bAutoRun = true; // closing saves nothing
    window->close();
    delete g_frmMain;
    return loaded == rows ? 0 : 1;
}

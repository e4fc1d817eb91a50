// Driver of scripts/bench-sources.sh: adds a folder's whole subtree to the source list of the
// real window, twice (the second pass finds every row there already), and prints the times.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTextStream>

#include "Globals.h"
#include "Paths.h"
#include "frmMain_BackUp.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2 || !Paths::prepareFolders())
        return 2;
    AppName = QStringLiteral("Quillaro");
    frmMain_BackUp window;
    g_frmMain = &window;
    const QString root = QString::fromLocal8Bit(argv[1]);
    QTextStream out(stdout);
    for (const char* pass : {"add", "again"}) {
        QElapsedTimer timer;
        timer.start();
        window.AddItem(false, true, root, false);
        out << pass << ": " << window.List1->count() << " rows in " << timer.elapsed() << " ms\n";
    }
    g_frmMain = nullptr;
    return 0;
}

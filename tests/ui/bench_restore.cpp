// Drives the real restore window offscreen for scripts/bench-restore.sh:
//   bench_restore search FOLDER PATTERN     searches every archive of the folder
//   bench_restore restore FOLDER TARGET     searches "*" and restores every row into TARGET
// Prints the seconds the search and the restore took inside the window, and the row count.
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

#include "Clock.h"
#include "MessageBox.h"
#include "Paths.h"
#include "RestoreGrid.h"
#include "frmRestore.h"

namespace {

double timed(const std::function<void()>& work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

void selectAll(frmRestore& w)
{
    const int last = w.grid()->rowCount() - 1;
    w.FG3->selectionModel()->setCurrentIndex(w.grid()->index(0, 1), QItemSelectionModel::NoUpdate);
    w.FG3->selectionModel()->select(
        QItemSelection(w.grid()->index(0, 0), w.grid()->index(last, RestoreGrid::Path)),
        QItemSelectionModel::ClearAndSelect);
}

} // namespace

int main(int argc, char** argv)
{
    Clock::pinLocalTimeZone(); // as the program does
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4 || (args[1] != QStringLiteral("search") && args[1] != QStringLiteral("restore"))) {
        std::fprintf(stderr, "usage: bench_restore search FOLDER PATTERN | restore FOLDER TARGET\n");
        return 2;
    }
    (void)Paths::prepareFolders();
    RestoreContext context;
    context.archiveFolder = args[2];
    context.tempFolder = Paths::tempFolder();
    frmRestore w(context);
    const bool search = args[1] == QStringLiteral("search");
    w.txtFileSearch->setText(search ? args[3] : QStringLiteral("*"));
    const double searchSeconds = timed([&w] { w.cmdSearch_Click(); });
    std::printf("search %.3f s rows %d\n", searchSeconds, w.grid()->rowCount());
    if (search)
        return 0;
    selectAll(w);
    w.Drive1->addItem(args[3]);
    w.Drive1->setCurrentIndex(w.Drive1->count() - 1);
    MessageBoxSeam::scriptAnswer(MsgResult::Yes);
    MessageBoxSeam::scriptAnswer(MsgResult::Ok);
    const double restoreSeconds = timed([&w] { w.cmdRestore_Click(); });
    const bool failed = MessageBoxSeam::shown().size() != 2;
    std::printf("restore %.3f s%s\n", restoreSeconds, failed ? " (with failures)" : "");
    return failed ? 1 : 0;
}

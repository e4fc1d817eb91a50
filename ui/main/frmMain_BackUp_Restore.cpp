#include "frmMain_BackUp_Restore.h"

#include <QAction>
#include <QLineEdit>

#include "frmMain_BackUp.h"
#include "InPlaceWindow.h"
#include "frmRestore.h"

void ShowRestoreWindow(frmMain_BackUp& main)
{
    // A running backup owns the temp folder and the archives; the window waits for it.
    if (main.isRunActive())
        return;
    RestoreContext context;
    context.archiveFolder = main.txtPathBackUp->text();
    context.tempFolder = main.txtPathTemp->text();
    context.password = main.txtEncryptPassword->text();
    context.status = main.txtNews->text(); // the first panel of the status bar
    context.help = [&main] { main.mnuHelp_Click(); };
    // The main window's own help menu item opens the forum page.
    context.forum = [&main] {
        if (QAction* forum = main.findChild<QAction*>(QStringLiteral("Forum")))
            forum->trigger();
    };
    context.about = [&main] { main.mnuAbout_Click(); };
    frmRestore window(context, &main);
    ExecInPlaceOf(main, window);
}

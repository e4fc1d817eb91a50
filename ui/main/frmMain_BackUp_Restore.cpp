#include "frmMain_BackUp_Restore.h"

#include <QLineEdit>
#include <QStatusBar>

#include "frmMain_BackUp.h"
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
    context.status = main.statusBar ? main.statusBar->currentMessage() : QString();
    main.hide();
    {
        frmRestore window(context, &main);
        window.exec();
    }
    main.show();
}

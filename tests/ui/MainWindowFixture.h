#pragma once

#include <QString>

#include "Globals.h"
#include "Paths.h"
#include "QEV_Language.h"
#include "TestSupport.h"

// What start-up gives the main window before it is made: folders, language texts, names.
[[nodiscard]] inline bool prepareMainWindowTest(const QString& user)
{
    AppName = QStringLiteral("Quillaro");
    g_User = user;
    return Paths::prepareFolders()
           && LoadLanguageFile(TestSupport::sourceCommonFolder() + QStringLiteral("/language/english.lng"));
}

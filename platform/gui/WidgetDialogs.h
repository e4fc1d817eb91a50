#pragma once

#include <functional>

#include <QString>

class QWidget;

// The Qt dialogs behind the program's message box, folder chooser, open-file chooser and
// input box. Each has a seam for tests; in an unattended run none is shown and each answers
// as cancelled (an empty text).
namespace WidgetDialogs {

// Makes MsgBox show real message boxes from now on.
void installMessageBoxPresenter();

// The folder-browse dialog: modal, parented to owner (may be null), opened at start.
// Empty when cancelled.
[[nodiscard]] QString chooseFolder(QWidget* owner, const QString& prompt, const QString& start);

// The open-file dialog: modal, titled title, with the filter in Qt's form ("Programs (*);;..."),
// opened at start. The chosen file's full path; empty when cancelled.
[[nodiscard]] QString chooseOpenFile(QWidget* owner, const QString& title, const QString& filter,
                                     const QString& start);

// Tests: answer the next dialogs of each kind without showing them; an empty function shows
// the dialogs again.
using FolderAnswer = std::function<QString(const QString& prompt, const QString& start)>;
void setFolderAnswer(FolderAnswer answer);
using OpenFileAnswer = std::function<QString(const QString& title, const QString& filter)>;
void setOpenFileAnswer(OpenFileAnswer answer);

// The input box: modal, parented to owner (may be null), with proposed as the answer to
// edit. A null text when cancelled, and in an unattended run, where nobody could answer; an
// empty answer given with OK is empty but not null.
[[nodiscard]] QString askText(QWidget* owner, const QString& prompt, const QString& title,
                              const QString& proposed);

// Tests: answer the next input boxes without showing them.
using TextAnswer
    = std::function<QString(const QString& prompt, const QString& title, const QString& proposed)>;
void setTextAnswer(TextAnswer answer);

} // namespace WidgetDialogs

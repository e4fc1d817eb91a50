#pragma once

#include <functional>

#include <QString>

class QWidget;

// The Qt dialogs behind the program's message box and folder chooser.
namespace WidgetDialogs {

// Makes MsgBox show real message boxes from now on.
void installMessageBoxPresenter();

// The folder-browse dialog: modal, parented to owner (may be null), opened at start.
// Empty when cancelled.
[[nodiscard]] QString chooseFolder(QWidget* owner, const QString& prompt, const QString& start);

// Tests: answer the next folder dialogs without showing them.
using FolderAnswer = std::function<QString(const QString& prompt, const QString& start)>;
void setFolderAnswer(FolderAnswer answer);

// The input box: modal, parented to owner (may be null), with proposed as the answer to
// edit. Empty when cancelled, and in an unattended run, where nobody could answer.
[[nodiscard]] QString askText(QWidget* owner, const QString& prompt, const QString& title,
                              const QString& proposed);

// Tests: answer the next input boxes without showing them.
using TextAnswer
    = std::function<QString(const QString& prompt, const QString& title, const QString& proposed)>;
void setTextAnswer(TextAnswer answer);

} // namespace WidgetDialogs

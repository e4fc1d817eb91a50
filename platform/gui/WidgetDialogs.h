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

} // namespace WidgetDialogs

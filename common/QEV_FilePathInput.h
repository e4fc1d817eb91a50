#pragma once

#include <QString>

class QWidget;

// Shows the folder-browse dialog with the prompt, opened at the start folder (the root when
// none is given); the chosen folder, or an empty text when cancelled.
[[nodiscard]] QString BrowseForFolder(QWidget* owner, const QString& prompt,
                                      const QString& start = {}, const QString& root = {});

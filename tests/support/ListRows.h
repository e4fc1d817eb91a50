#pragma once

#include <QListWidget>
#include <QStringList>

#include "FormControls.h"

namespace TestSupport {

// The rows of a source list, each with "+" when selected and "-" when not.
inline QStringList listRows(const QListWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << (listSelected(list, i) ? QStringLiteral("+ ") : QStringLiteral("- "))
                    + list->item(i)->text();
    return rows;
}

} // namespace TestSupport

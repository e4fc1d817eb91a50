#pragma once

#include <QByteArray>
#include <QStringList>

// The names of a folder listing as the server sent it, one each, folders with "/" behind;
// the folder itself and its parent are left out.
[[nodiscard]] QStringList ParseMlsdListing(const QByteArray& reply);
// A LIST reply in the Unix or the DOS form; a line of another form counts as a name.
[[nodiscard]] QStringList ParseListListing(const QByteArray& reply);
[[nodiscard]] QStringList ParseNameListing(const QByteArray& reply);

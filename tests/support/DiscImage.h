#pragma once

#include <QString>

#include "TestSupport.h"

// What a disc image written by the CD writer holds, as xorriso reads it.
namespace DiscImage {

// The files of the image's newest session, path (without leading "/") -> content.
[[nodiscard]] TestSupport::Tree files(const QString& image);
[[nodiscard]] QString volumeId(const QString& image);
// The number of sessions xorriso finds.
[[nodiscard]] int sessions(const QString& image);

} // namespace DiscImage

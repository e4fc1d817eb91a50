#pragma once

#include <QString>

// Saves a picture of the whole screen as a bitmap file, straight from the screen (the
// clipboard is left alone); false, reported, when it cannot.
[[nodiscard]] bool Capture_Desktop(const QString& fileName);

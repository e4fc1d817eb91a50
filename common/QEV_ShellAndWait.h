#pragma once

#include <QtGlobal>

// Waits until the program of that process id (started through ProcessRunner) has ended,
// processing pending window messages meanwhile, and gives its exit code; 0 when no such
// program was started, -1 when it crashed (both reported).
[[nodiscard]] int fWait(qint64 processId);

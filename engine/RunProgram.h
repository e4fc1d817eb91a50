#pragma once

#include <functional>

#include <QString>

#include "RunOptions.h"

// Starts a program before or after a run and waits as it asks: for its end or some seconds.
// False, with the reason, when it could not be started, or when the run waited for its end
// and it ended with a non-zero code, abnormally, or the wait was stopped (stopRequested()).
[[nodiscard]] bool RunProgramAndWait(const RunProgram& program, const std::function<bool()>& stopRequested,
                                     QString* failure);

#pragma once

// Exit modes: 1 shut down, 2 restart, 4 log off, 8 power off. Force modes: 0 none, 1 force
// programs to close, 2 force only programs that do not respond.

// The session-end flags of the modes: 1 shut down, 2 restart, 8 power off, 4 force,
// 16 force hung programs only; 0 is a log-off.
[[nodiscard]] int ExitFlags(int exitMode, int forceMode);
// Ends the session; a refusal of the system is reported.
void ExitWindowsSession(int exitMode, int forceMode);
void SetShutdownPrivilege();
[[nodiscard]] bool IsWindowsNT();
[[nodiscard]] bool IsWindows2000();

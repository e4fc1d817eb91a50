#pragma once

class frmMain_BackUp;

// The toolbar's Restore command: the main window steps aside for the restore window, which
// takes the profile's destination folder, temp folder and password, and comes back when it
// closes.
void ShowRestoreWindow(frmMain_BackUp& main);

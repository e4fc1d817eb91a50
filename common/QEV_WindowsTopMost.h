#pragma once

class QWidget;

// Puts a window into or out of the always-on-top band, keeping its place and size.
// A null window does nothing.
void WindowOnTop(QWidget* window);
void WindowNotOnTop(QWidget* window);

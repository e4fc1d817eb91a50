#pragma once

#include <functional>

#include <QString>

// Opens web pages and files with the desktop's own program for them (xdg-open).
namespace WebOpener {

// False when the desktop has no program for it or could not start one.
bool open(const QString& address);

// Tests: receives every address in place of the desktop, which then counts as opened; an
// empty function restores the desktop.
using Fake = std::function<void(const QString& address)>;
void setFake(Fake fake);

} // namespace WebOpener

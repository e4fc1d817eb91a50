#pragma once

#include <array>

#include <QtGlobal>

// The cipher's initial tables, before any key is mixed in.
namespace BlowfishTables {

extern const std::array<quint32, 18> kInitialP;
extern const std::array<std::array<quint32, 256>, 4> kInitialS;

} // namespace BlowfishTables

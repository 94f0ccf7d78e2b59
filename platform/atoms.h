// Global atoms: small numbers that stand for strings, shared by every
// process of the user through a table in the runtime folder. Child programs
// report error texts this way (the atom travels in a window message).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

using Atom = std::uint16_t;

constexpr Atom kFirstAtom = 0xC000;
constexpr Atom kLastAtom = 0xFFFF;
constexpr std::size_t kMaxAtomName = 255;

// Adds a reference to the atom of `name` (names compare case-insensitively
// in code page 1251), creating it when missing. 0 when the name is empty,
// longer than kMaxAtomName or the table is full.
Atom GlobalAddAtom(std::string_view name);
// The atom of `name`, or 0.
Atom GlobalFindAtom(std::string_view name);
// The name as it was first added, or no value for an unknown atom.
std::optional<std::string> GlobalGetAtomName(Atom atom);
// Drops one reference; the atom goes when none is left. Returns 0 on
// success and the atom itself when there is no such atom.
Atom GlobalDeleteAtom(Atom atom);

// All these raise EOSError when the table cannot be read or written, and
// EInOutError naming the file and line when it is damaged (it is then left
// as it is).

}  // namespace platform

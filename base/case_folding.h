#pragma once
// Names are compared the way the system the scripts were written for compares them: without
// regard to case. Linux file systems are case-sensitive, so the interpreter folds names itself.

#include <string>
#include <string_view>

namespace shotsweep {

// The key two names share when the interpreter takes them for the same name: Unicode simple
// case folding applied code point by code point, so "STRASSE" and "straße" stay different as
// they do on the other system; and canonically equivalent spellings made one, so a name
// copied from a system that writes "é" as "e" plus a combining accent still meets its twin
// written with the single character. Bytes that are not valid UTF-8 are kept as they are:
// Linux allows such names, and they then only match themselves.
std::string FoldCase(std::string_view name);

}  // namespace shotsweep

#pragma once
// Names are compared the way the system the scripts were written for compares them: without
// regard to case. Linux file systems are case-sensitive, so the interpreter folds names itself.

#include <string>
#include <string_view>

namespace shotsweep::batch {

// The name with Unicode simple case folding applied code point by code point, so the folded
// text has the same number of code points (names never grow or shrink: "STRASSE" and
// "straße" stay different, as they do on the other system). Bytes that are not valid UTF-8 are
// kept as they are: Linux allows such names, and they then only match themselves.
std::string FoldCase(std::string_view name);

}  // namespace shotsweep::batch

#pragma once
// Small pieces of text handling every layer needs alike.

#include <string>
#include <string_view>

namespace shotsweep {

// Every line the program writes (scripts, the pairing record, the folder pair) ends so.
inline constexpr std::string_view kLineEnd = "\r\n";

// `text` without the characters of `blanks` at both ends.
std::string_view Trim(std::string_view text, std::string_view blanks = " \t");

// `text` without a UTF-8 byte-order mark at its start: programs on other systems put one
// before the first line of a text file.
std::string_view WithoutByteOrderMark(std::string_view text);

// `text` with control characters written as \xHH, so it shows in a message and stays one line.
std::string EscapeControls(std::string_view text);

}  // namespace shotsweep

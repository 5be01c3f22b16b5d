#pragma once
// Small pieces of text handling every layer needs alike.

#include <array>
#include <string>
#include <string_view>

namespace shotsweep {

// A set of bytes, looked up by table: scanning a line for any of a few characters costs one
// load per byte rather than a search of the set for each.
class ByteSet {
 public:
  constexpr explicit ByteSet(std::string_view members) {
    for (char c : members) has_[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool Has(char c) const { return has_[static_cast<unsigned char>(c)]; }
  // The position of the first byte of `text` in the set, from `from` on; npos when none is.
  constexpr std::size_t FindIn(std::string_view text, std::size_t from = 0) const {
    for (std::size_t i = from; i < text.size(); ++i) {
      if (Has(text[i])) return i;
    }
    return std::string_view::npos;
  }

 private:
  std::array<bool, 256> has_{};
};

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

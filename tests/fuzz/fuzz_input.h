#pragma once
// Turning one fuzz input into the several values a target needs.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace shotsweep::fuzz {

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Runs each check on the whole input as text: the entry of a target whose checks all read it so.
template <typename... Checks>
int CheckText(const std::uint8_t* data, std::size_t size, Checks... checks) {
  const std::string_view text = AsText(data, size);
  (checks(text), ...);
  return 0;
}

// Takes the text up to the next `separator` (or all that is left) off the front of `rest`.
// A separator byte keeps the pieces apart in the corpus files, so a seed can be written by hand.
inline std::string_view TakePiece(std::string_view& rest, char separator = '\0') {
  const std::size_t end = rest.find(separator);
  const std::string_view piece = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return piece;
}

// The first byte of `rest` as a number (0 when it is empty), taken off the front.
inline unsigned TakeByte(std::string_view& rest) {
  if (rest.empty()) return 0;
  const auto byte = static_cast<unsigned char>(rest.front());
  rest.remove_prefix(1);
  return byte;
}

}  // namespace shotsweep::fuzz

#include "batch/case_folding.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace shotsweep::batch {

std::string FoldCase(std::string_view name) {
  std::string out(name);
  bool ascii = true;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  // Camera names are ASCII; only the others pay for the Unicode tables.
  if (ascii) return out;

  out.clear();
  out.reserve(name.size());
  const auto* s = reinterpret_cast<const uint8_t*>(name.data());
  const auto length = static_cast<int32_t>(name.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      out.append(name.substr(start, i - start));
      continue;
    }
    c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    uint8_t buffer[U8_MAX_LENGTH];
    int32_t n = 0;
    U8_APPEND_UNSAFE(buffer, n, c);
    out.append(reinterpret_cast<const char*>(buffer), n);
  }
  return out;
}

}  // namespace shotsweep::batch

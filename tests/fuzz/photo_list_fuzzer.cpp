// The photo list reader (SplitPhotoList) over any file.
//
// Input: the file's bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cleanup/photo_list.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace shotsweep;
  const std::string_view bytes = fuzz::AsText(data, size);
  const std::vector<std::string> lines = SplitPhotoList(bytes);

  // The same text with every line end written as LF and no byte-order mark: what the lines,
  // joined by LF, must give back, since no byte of a name may be lost or added.
  std::string text(bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes);
  std::string unified;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    unified += text[i] == '\r' ? '\n' : text[i];
  }
  std::size_t ends = 0;
  for (char c : unified) ends += c == '\n';
  // Every line end ends a line; text after the last one is one more.
  const std::size_t expected = ends + (!unified.empty() && unified.back() != '\n' ? 1 : 0);
  FUZZ_CHECK(lines.size() == expected);
  FUZZ_CHECK(lines.size() <= bytes.size());

  std::string joined;
  for (const std::string& line : lines) {
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    joined += line;
    joined += '\n';
  }
  if (!unified.empty() && unified.back() != '\n') unified += '\n';
  FUZZ_CHECK(joined == unified);
  return 0;
}

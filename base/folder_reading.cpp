#include "base/folder_reading.h"

#include <algorithm>
#include <cstdint>

#include <unicode/utf8.h>

#include "base/case_folding.h"
#include "base/text.h"

namespace shotsweep {
namespace {

// How far one character reaches from `at`: a whole UTF-8 sequence, or a single stray byte.
std::size_t CharacterLength(std::string_view text, std::size_t at) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  auto i = static_cast<std::int32_t>(at);
  UChar32 code;
  U8_NEXT(bytes, i, static_cast<std::int32_t>(text.size()), code);
  return code < 0 ? 1 : static_cast<std::size_t>(i) - at;
}

// Iterative matching with one resumption point: after a "*" fails further on, it takes one
// more character and the rest of the pattern is tried again from there. Linear in practice,
// and no recursion however many stars a pattern has.
bool Glob(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starN = n;
      continue;
    }
    if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharacterLength(name, n);
      continue;
    }
    if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
      continue;
    }
    if (starP == std::string_view::npos) return false;
    p = starP;
    starN += CharacterLength(name, starN);
    n = starN;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Eight bytes of `text` from `from` as a number that orders as the bytes do; missing bytes
// count as zero, which no name holds.
std::uint64_t BigEndian8(std::string_view text, std::size_t from) {
  std::uint64_t value = 0;
  for (std::size_t i = from; i < from + 8; ++i)
    value = (value << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
  return value;
}

struct SortKey {
  std::uint64_t high;  // bytes 0 to 7 of the folded name
  std::uint64_t low;   // bytes 8 to 15
  std::uint32_t index;
};

}  // namespace

NamePatterns::NamePatterns(std::string_view patterns) {
  while (!patterns.empty()) {
    const std::size_t end = patterns.find(';');
    const std::string_view pattern = Trim(patterns.substr(0, end), " \t\r\n\f\v");
    if (!pattern.empty()) patterns_.push_back(FoldCase(pattern));
    if (end == std::string_view::npos) break;
    patterns.remove_prefix(end + 1);
  }
}

bool NamePatterns::Matches(std::string_view folded) const {
  return std::any_of(patterns_.begin(), patterns_.end(),
                     [&](const std::string& pattern) { return Glob(pattern, folded); });
}

std::vector<std::string> InFileListOrder(std::vector<std::string> names) {
  // Sorting moves small keys, not strings, and compares numbers: the first 16 bytes of the
  // folded name, which decide most comparisons; only keys that share them go to the names.
  std::vector<std::string> folded;
  folded.reserve(names.size());
  for (const std::string& name : names) folded.push_back(FoldCase(name));
  std::vector<SortKey> keys;
  keys.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    keys.push_back({BigEndian8(folded[i], 0), BigEndian8(folded[i], 8), static_cast<std::uint32_t>(i)});
  }
  std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    const int order = folded[a.index].compare(folded[b.index]);
    return order != 0 ? order < 0 : names[a.index] < names[b.index];
  });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (const SortKey& key : keys) sorted.push_back(std::move(names[key.index]));
  return sorted;
}

}  // namespace shotsweep

// The wildcard matcher (NamePattern) and the rename target mask (ApplyTargetMask).
//
// Input: pattern NUL name NUL mask.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/case_folding.h"
#include "base/file_names.h"
#include "batch/wildcard.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace shotsweep::batch {
namespace {

bool Match(std::string_view pattern, std::string_view name) {
  return NamePattern(FoldCase(pattern)).Matches(FoldCase(name));
}

enum class Case { Upper, Lower, Swapped };

std::string InCase(std::string_view text, Case to) {
  std::string out(text);
  for (char& c : out) {
    const bool upper = c >= 'A' && c <= 'Z';
    const bool lower = c >= 'a' && c <= 'z';
    if (upper && to != Case::Upper) c = static_cast<char>(c - 'A' + 'a');
    if (lower && to != Case::Lower) c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

void CheckMatch(std::string_view pattern, std::string_view name) {
  const bool matches = Match(pattern, name);
  // A name is a name whatever the case it is written in, and so is a pattern.
  for (Case p : {Case::Upper, Case::Lower, Case::Swapped}) {
    for (Case n : {Case::Upper, Case::Lower, Case::Swapped}) {
      FUZZ_CHECK(Match(InCase(pattern, p), InCase(name, n)) == matches);
    }
  }
  if (!HasWildcards(name)) FUZZ_CHECK(Match(name, name));
  if (NamePattern(FoldCase(pattern)).MatchesEverything()) FUZZ_CHECK(matches);
  // The renaming script takes every RAW file of a kind by "*.ext" and nothing else, however
  // many dots the name holds.
  const std::string folded = FoldCase(name);
  const std::size_t lastDot = folded.rfind('.');
  for (const RawKind& kind : DefaultRawKinds()) {
    const bool ofKind = lastDot != std::string::npos && folded.substr(lastDot) == kind.extension;
    FUZZ_CHECK(Match("*" + std::string(kind.extension), name) == ofKind);
  }
}

void CheckMask(std::string_view source, std::string_view mask) {
  const std::string target = ApplyTargetMask(source, mask);
  FUZZ_CHECK(target.size() <= source.size() + mask.size());
  if (!target.empty()) FUZZ_CHECK(target.back() != '.' && target.back() != ' ');
  // A wildcard in a new name would come from nowhere but the old one.
  if (!HasWildcards(source)) FUZZ_CHECK(!HasWildcards(target));
  // A RAW file set aside by the renaming script ("*.nbak") keeps its name up to its last dot,
  // which is where its restore line looks for it.
  const std::size_t lastDot = source.rfind('.');
  for (const RawKind& kind : DefaultRawKinds()) {
    if (!Match("*" + std::string(kind.extension), source)) continue;
    FUZZ_CHECK(lastDot != std::string::npos);
    FUZZ_CHECK(ApplyTargetMask(source, "*" + std::string(kind.aside)) ==
               std::string(source.substr(0, lastDot)) + std::string(kind.aside));
  }
}

}  // namespace
}  // namespace shotsweep::batch

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace shotsweep;
  std::string_view input = fuzz::AsText(data, size);
  // Names on Linux are at most 255 bytes; patterns come from script lines of any length.
  const std::string_view pattern = fuzz::TakePiece(input);
  const std::string_view name = fuzz::TakePiece(input).substr(0, 255);
  const std::string_view mask = fuzz::TakePiece(input);
  batch::CheckMatch(pattern, name);
  batch::CheckMask(name, mask);
  return 0;
}

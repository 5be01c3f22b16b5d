#pragma once
// Wildcards the way the system the scripts were written for reads them. Matching a name
// against a pattern and building a new name from a rename target mask follow different rules,
// and both differ from POSIX globbing in ways that decide which RAW files a line touches:
// "*.nef" takes "trip.day1.nef", "?" never takes a dot, "*.cr*" does not take "x.cr2.bak".

#include <string>
#include <string_view>
#include <vector>

namespace shotsweep::batch {

bool HasWildcards(std::string_view text);

// A pattern prepared for matching many names. Matching is case-insensitive: give it the
// folded pattern and folded names.
class NamePattern {
 public:
  explicit NamePattern(std::string_view foldedPattern);
  bool Matches(std::string_view foldedName) const;
  // "*" or "*.*": a pattern that names everything in its folder.
  bool MatchesEverything() const { return everything_; }

 private:
  enum class Kind : unsigned char { Literal, Star, DosStar, DosQuestion, DosDot };
  struct Token {
    Kind kind;
    char c;
  };
  std::vector<Token> tokens_;
  bool everything_ = false;
  // "*.nef": a star and then an extension holding no dot and no wildcard, the pattern of every
  // set-aside and delete line, matches exactly the names that end in that extension.
  std::string suffix_;
  bool suffixOnly_ = false;
};

// The new name for `source` under the rename target `mask` ("*.nbak", "??x*", "*."): the mask is
// walked left to right against the source name, "*." keeps the source up to its last dot, and
// trailing dots and blanks are dropped from the result.
std::string ApplyTargetMask(std::string_view source, std::string_view mask);

}  // namespace shotsweep::batch

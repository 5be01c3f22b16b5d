#include "base/case_folding.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace shotsweep {
namespace {

// Simple case folding, code point by code point; ill-formed bytes pass through unchanged.
// Returns false when it met any.
bool FoldCodePoints(std::string_view name, std::string& out) {
  bool wellFormed = true;
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
      wellFormed = false;
      continue;
    }
    c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    uint8_t buffer[U8_MAX_LENGTH];
    int32_t n = 0;
    U8_APPEND_UNSAFE(buffer, n, c);
    out.append(reinterpret_cast<const char*>(buffer), n);
  }
  return wellFormed;
}

// Puts `text` into the normal form of `normalizer`; false when that cannot be done.
bool Normalize(const icu::Normalizer2* normalizer, std::string& text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString wide = icu::UnicodeString::fromUTF8(text);
  if (normalizer->isNormalized(wide, status) && U_SUCCESS(status)) return true;
  status = U_ZERO_ERROR;
  const icu::UnicodeString normal = normalizer->normalize(wide, status);
  if (U_FAILURE(status)) return false;
  text.clear();
  normal.toUTF8String(text);
  return true;
}

}  // namespace

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

  std::string decomposed(name);
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  const icu::Normalizer2* nfc = U_SUCCESS(status) ? icu::Normalizer2::getNFCInstance(status) : nullptr;
  // Folding works on the decomposed form, so a capital with an accent folds the same whichever
  // way it was written; the composed form is the key.
  if (!FoldCodePoints(name, out) || nfc == nullptr) return out;
  if (!Normalize(nfd, decomposed)) return out;
  std::string folded;
  FoldCodePoints(decomposed, folded);
  if (Normalize(nfc, folded)) return folded;
  return out;
}

}  // namespace shotsweep

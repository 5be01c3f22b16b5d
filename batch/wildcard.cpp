#include "batch/wildcard.h"

namespace shotsweep::batch {

bool HasWildcards(std::string_view text) {
  for (char c : text) {
    if (c == '*' || c == '?') return true;
  }
  return false;
}

NamePattern::NamePattern(std::string_view p) {
  everything_ = p == "*" || p == "*.*";
  // The star before a dot takes the name up to its last dot; the dot and letters after it
  // must then be the rest of the name. With no other dot in them, that is "ends with".
  if (p.size() > 2 && p[0] == '*' && p[1] == '.' && p.find_first_of(".*?", 2) == std::string_view::npos) {
    suffix_ = p.substr(1);
    suffixOnly_ = true;
  }
  for (size_t i = 0; i < p.size(); ++i) {
    const char c = p[i];
    const char next = i + 1 < p.size() ? p[i + 1] : '\0';
    if (c == '?') {
      tokens_.push_back({Kind::DosQuestion, c});
    } else if (c == '*') {
      tokens_.push_back({next == '.' ? Kind::DosStar : Kind::Star, c});
    } else if (c == '.' && (next == '?' || next == '*' || i + 1 == p.size())) {
      tokens_.push_back({Kind::DosDot, c});
    } else {
      tokens_.push_back({Kind::Literal, c});
    }
  }
}

bool NamePattern::Matches(std::string_view name) const {
  if (suffixOnly_) return name.ends_with(suffix_);
  const size_t n = name.size();
  const size_t lastDot = name.rfind('.');
  // row[j]: the tokens from the current one on match name[j..]; next[j] the same for the tokens
  // after it. Filled from the last token backwards.
  // Reused between calls: a wildcard line matches every name of its folder.
  thread_local std::vector<char> next, row;
  next.assign(n + 1, 0);
  row.assign(n + 1, 0);
  next[n] = 1;
  for (size_t t = tokens_.size(); t-- > 0;) {
    const Token& tok = tokens_[t];
    for (size_t j = n + 1; j-- > 0;) {
      bool m = false;
      switch (tok.kind) {
        case Kind::Literal:
          m = j < n && name[j] == tok.c && next[j + 1];
          break;
        case Kind::Star:
          m = next[j] || (j < n && row[j + 1]);
          break;
        case Kind::DosStar:
          // Everything up to the name's last dot (all of the rest when no dot is left).
          m = next[lastDot != std::string_view::npos && lastDot >= j ? lastDot : n];
          break;
        case Kind::DosQuestion:
          // One character other than a dot; nothing at a dot or at the end of the name.
          m = (j < n && name[j] != '.') ? next[j + 1] : next[j];
          break;
        case Kind::DosDot:
          m = j < n ? (name[j] == '.' && next[j + 1]) : next[j];
          break;
      }
      row[j] = m;
    }
    next.swap(row);
  }
  return next[0];
}

std::string ApplyTargetMask(std::string_view source, std::string_view mask) {
  std::string target;
  size_t pos = 0;  // position in the source name
  const size_t n = source.size();
  for (size_t i = 0; i < mask.size(); ++i) {
    const char c = mask[i];
    if (c == '?') {
      if (pos < n && source[pos] != '.') target += source[pos++];
    } else if (c == '*') {
      const char next = i + 1 < mask.size() ? mask[i + 1] : '\0';
      if (next == '\0' || next == '?' || next == '*') {
        target.append(source.substr(pos));
        pos = n;
      } else {
        // "*c" copies through the last c of the rest of the source (case matters here, as it
        // does on the original system); without a c, the rest and then c.
        const size_t last = source.rfind(next);
        if (last != std::string_view::npos && last >= pos) {
          target.append(source.substr(pos, last + 1 - pos));
          pos = last + 1;
        } else {
          target.append(source.substr(pos));
          target += next;
          pos = n;
        }
        ++i;
      }
    } else if (c == '.') {
      const size_t dot = source.find('.', pos);
      pos = dot == std::string_view::npos ? n : dot + 1;
      target += '.';
    } else {
      if (pos < n && source[pos] != '.') ++pos;
      target += c;
    }
  }
  while (!target.empty() && (target.back() == '.' || target.back() == ' ')) target.pop_back();
  return target;
}

}  // namespace shotsweep::batch

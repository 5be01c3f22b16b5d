#include "batch/line_parser.h"
#include "base/text.h"

#include <algorithm>

namespace shotsweep::batch {

LineReader::LineReader(std::string_view text) : text_(WithoutByteOrderMark(text)) {}

ScriptLine MakeScriptLine(std::string_view line) {
  while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  ScriptLine entry{line};
  if (line.find('\r') != std::string_view::npos) {
    entry.refused = "a carriage return inside the line";
  } else if (line.find('\0') != std::string_view::npos) {
    entry.refused = "a NUL character inside the line";
  }
  return entry;
}

bool LineReader::Next(ScriptLine& entry) {
  if (start_ >= text_.size()) return false;
  size_t end = text_.find('\n', start_);
  const size_t next = end == std::string_view::npos ? text_.size() : end + 1;
  if (end == std::string_view::npos) end = text_.size();
  entry = MakeScriptLine(text_.substr(start_, end - start_));
  start_ = next;
  return true;
}

std::size_t CountLines(std::string_view text) {
  text = WithoutByteOrderMark(text);
  const auto ends = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  return ends + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

std::vector<ScriptLine> SplitLines(std::string_view text) {
  std::vector<ScriptLine> lines;
  // Counted first, so that the lines of a long script are held once, not twice while growing.
  lines.reserve(CountLines(text));
  LineReader reader(text);
  for (ScriptLine line; reader.Next(line);) lines.push_back(line);
  return lines;
}

bool ContinuesOnNextLine(std::string_view line) {
  if (line.empty() || line.back() != '^') return false;  // the common case, without a scan
  bool inQuotes = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') {
      inQuotes = !inQuotes;
    } else if (line[i] == '^' && !inQuotes) {
      if (i + 1 == line.size()) return true;
      ++i;
    }
  }
  return false;
}

Expansion ExpandPercents(std::string_view line, const std::vector<std::string>& args,
                         const EnvironmentLookup& environment) {
  Expansion result;
  ExpandPercents(line, args, environment, result);
  return result;
}

void ExpandPercents(std::string_view line, const std::vector<std::string>& args, const EnvironmentLookup& environment,
                    Expansion& result) {
  result.unsupported.reset();
  std::string& out = result.text;
  out.clear();
  if (line.find('%') == std::string_view::npos) {
    out.assign(line);
    return;
  }
  out.reserve(line.size());
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 >= line.size()) break;  // a lone "%" at the end is dropped
    const char next = line[i + 1];
    if (next == '%') {
      out += '%';
      ++i;
    } else if (next >= '0' && next <= '9') {
      const size_t n = static_cast<size_t>(next - '0');
      if (n < args.size()) out += args[n];
      ++i;
    } else if (next == '*') {
      for (size_t n = 1; n < args.size(); ++n) {
        if (n > 1) out += ' ';
        out += args[n];
      }
      ++i;
    } else if (next == '~') {
      result.unsupported = "argument modifiers (%~)";
      return;
    } else {
      const size_t close = line.find('%', i + 1);
      if (close == std::string_view::npos) continue;  // a lone "%" is dropped
      const std::string_view name = line.substr(i + 1, close - i - 1);
      if (const size_t colon = name.find(':'); colon != std::string_view::npos &&
                                               environment(name.substr(0, colon))) {
        result.unsupported = "variable substitution (%NAME:...%)";
        return;
      }
      if (auto value = environment(name)) out += *value;
      i = close;
    }
  }
}

namespace {
constexpr ByteSet kDelimiters(" \t,;=");
}

bool IsDelimiter(const Ch& ch) { return ch.kind == Ch::Plain && kDelimiters.Has(ch.c); }

namespace {

bool IsBlank(const Ch& ch) { return ch.kind == Ch::Plain && (ch.c == ' ' || ch.c == '\t'); }

// Reads the target of a redirection starting at `pos`; returns the position after it.
size_t ReadRedirectionTarget(const std::vector<Ch>& chars, size_t pos, std::string* target) {
  while (pos < chars.size() && IsBlank(chars[pos])) ++pos;
  for (; pos < chars.size(); ++pos) {
    const Ch& ch = chars[pos];
    if (IsBlank(ch) || ch.Is('>') || ch.Is('<') || ch.Is('&') || ch.Is('|')) break;
    if (ch.kind != Ch::Quote) *target += ch.c;
  }
  return pos;
}

}  // namespace

LexedLine Lex(std::string_view line) {
  LexedLine out;
  Lex(line, out);
  return out;
}

void Lex(std::string_view line, LexedLine& out) {
  out.allPlain = false;
  out.redirections.clear();
  out.unsupported.reset();
  out.syntaxError.reset();
  // Most lines hold no quote, caret or operator: every character is plain, and nothing more
  // is to be looked for. Such a line is read in one pass.
  static constexpr ByteSet kSpecial("\"^|&<>");
  out.chars.resize(line.size());
  Ch* const plainChars = out.chars.data();  // a local, for the reason given at Cursor::Token
  const char* const text = line.data();
  const std::size_t size = line.size();
  std::size_t plain = 0;
  for (; plain < size && !kSpecial.Has(text[plain]); ++plain) plainChars[plain] = Ch{text[plain], Ch::Plain};
  if (plain == size) {
    out.allPlain = true;
    return;
  }
  out.chars.clear();
  // Kept from line to line: a script of many lines costs no allocation per line here.
  thread_local std::vector<Ch> chars;
  chars.clear();
  chars.reserve(line.size());
  bool inQuotes = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      chars.push_back({c, Ch::Quote});
      inQuotes = !inQuotes;
    } else if (inQuotes) {
      chars.push_back({c, Ch::Literal});
    } else if (c == '^') {
      if (i + 1 == line.size()) {
        out.unsupported = "a caret at the end of a line (continued lines)";
        return;
      }
      chars.push_back({line[++i], Ch::Literal});
    } else {
      chars.push_back({c, Ch::Plain});
    }
  }

  for (size_t i = 0; i < chars.size(); ++i) {
    const Ch& ch = chars[i];
    if (ch.Is('|')) {
      out.unsupported = chars.size() > i + 1 && chars[i + 1].Is('|') ? "\"||\"" : "pipes (\"|\")";
      return;
    }
    if (ch.Is('&') && !(i > 0 && chars[i - 1].Is('>'))) {  // ">&2" is a redirection
      out.unsupported = chars.size() > i + 1 && chars[i + 1].Is('&') ? "\"&&\"" : "\"&\"";
      return;
    }
    if (ch.Is('<')) {
      out.unsupported = "input redirection (\"<\")";
      return;
    }
  }

  for (size_t i = 0; i < chars.size();) {
    if (!chars[i].Is('>')) {
      out.chars.push_back(chars[i]);
      ++i;
      continue;
    }
    Redirection r;
    // A handle number right before the sign, standing on its own: "2>nul".
    if (!out.chars.empty() && out.chars.back().kind == Ch::Plain && out.chars.back().c >= '0' &&
        out.chars.back().c <= '9' && (out.chars.size() == 1 || IsBlank(out.chars[out.chars.size() - 2]))) {
      const char digit = out.chars.back().c;
      if (digit != '1' && digit != '2') {
        out.unsupported = std::string("redirection of handle ") + digit;
        return;
      }
      r.handle = digit - '0';
      out.chars.pop_back();
    }
    ++i;
    if (i < chars.size() && chars[i].Is('>')) {
      r.append = true;
      ++i;
    }
    if (i < chars.size() && chars[i].Is('&')) {
      ++i;
      if (i < chars.size() && (chars[i].Is('1') || chars[i].Is('2'))) {
        r.duplicateOf = chars[i].c - '0';
        ++i;
      } else {
        out.syntaxError = "a redirection to a handle that is not 1 or 2";
        return;
      }
    } else {
      i = ReadRedirectionTarget(chars, i, &r.target);
      if (r.target.empty()) {
        out.syntaxError = "a redirection without a file";
        return;
      }
    }
    out.redirections.push_back(std::move(r));
  }
}

void Cursor::SkipDelimiters() {
  while (!AtEnd() && IsDelimiter(Peek())) ++pos_;
}

std::string Cursor::Token(bool* quoted) {
  std::string token;
  Token(token, quoted);
  return token;
}

void Cursor::Token(std::string& token, bool* quoted) {
  SkipDelimiters();
  // Locals throughout: the compiler must assume that a write through a char pointer may
  // change anything, and would otherwise load the members again for every character.
  const Ch* const chars = chars_->data();
  const std::size_t size = chars_->size();
  const std::size_t begin = pos_;
  std::size_t end = begin;
  bool anyQuote = false;
  if (allPlain_) {
    while (end < size && !kDelimiters.Has(chars[end].c)) ++end;
  } else {
    for (; end < size; ++end) {
      const Ch ch = chars[end];
      if (ch.kind == Ch::Quote) {
        anyQuote = true;
      } else if (ch.kind == Ch::Plain && kDelimiters.Has(ch.c)) {
        break;
      }
    }
  }
  pos_ = end;
  // Sized once and filled: a path is the longest thing on most lines.
  token.resize(end - begin);
  char* const out = token.data();
  if (!anyQuote) {
    for (std::size_t i = begin; i < end; ++i) out[i - begin] = chars[i].c;
  } else {
    std::size_t at = 0;
    for (std::size_t i = begin; i < end; ++i) {
      out[at] = chars[i].c;
      at += chars[i].kind != Ch::Quote;
    }
    token.resize(at);
  }
  if (quoted) *quoted = anyQuote;
}

std::string Cursor::PeekWord() const {
  std::string word;
  for (size_t i = pos_; i < chars_->size(); ++i) {
    const Ch& ch = (*chars_)[i];
    if (IsDelimiter(ch) || ch.kind == Ch::Quote || ch.Is('(')) break;
    word += ch.c;
  }
  return word;
}

std::string Cursor::Rest() const {
  std::string text;
  for (size_t i = pos_; i < chars_->size(); ++i) text += (*chars_)[i].c;
  return text;
}

std::string Cursor::RestUnquoted() const {
  // Blanks are trimmed only where they are plain: a Linux folder may end in a blank, and a
  // quoted path keeps it.
  const std::vector<Ch>& chars = *chars_;
  std::size_t begin = pos_, end = chars.size();
  auto trimmed = [](const Ch& ch) { return ch.Is(' ') || ch.Is('\t') || ch.kind == Ch::Quote; };
  while (begin < end && trimmed(chars[begin])) ++begin;
  while (end > begin && trimmed(chars[end - 1])) --end;
  std::string text;
  for (std::size_t i = begin; i < end; ++i) {
    if (chars[i].kind != Ch::Quote) text += chars[i].c;
  }
  return text;
}

std::vector<std::string> SplitCommandLine(std::string_view s) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = s.size();
  while (true) {
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool inQuotes = false;
    while (i < n) {
      const char c = s[i];
      if ((c == ' ' || c == '\t') && !inQuotes) break;
      if (c == '\\') {
        size_t count = 0;
        while (i < n && s[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < n && s[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (inQuotes && i + 1 < n && s[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          inQuotes = !inQuotes;
          ++i;
        }
        continue;
      }
      arg += c;
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace shotsweep::batch

#pragma once
// From script text to what one line asks for: lines, percent expansion, quotes and carets,
// redirections, and the syntax this interpreter refuses rather than half-runs.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shotsweep::batch {

struct ScriptLine {
  std::string_view text;
  // Why the line must not run as written (a carriage return inside it, a NUL byte); null when
  // it may. A fixed text, not a string of its own: a restoring script has millions of lines.
  const char* refused = nullptr;
};

// Lines end at LF or CR LF; carriage returns before the line end are dropped. A carriage return
// anywhere else would make the line name something other than what it shows, so such a line is
// refused. A UTF-8 byte-order mark at the very start is dropped.
std::vector<ScriptLine> SplitLines(std::string_view text);

// One line, its line feed already cut off.
ScriptLine MakeScriptLine(std::string_view text);

// The same lines one after another, none of them held: a restoring script has millions.
class LineReader {
 public:
  explicit LineReader(std::string_view text);
  // The next line; false after the last.
  bool Next(ScriptLine& line);

 private:
  std::string_view text_;
  std::size_t start_ = 0;
};

// How many lines SplitLines gives.
std::size_t CountLines(std::string_view text);

// Whether the line ends in a caret that escapes its line end, joining the next line to it.
bool ContinuesOnNextLine(std::string_view line);

using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

struct Expansion {
  std::string text;
  std::optional<std::string> unsupported;
};

// "%%" gives "%", "%0".."%9" the script's arguments, "%*" all of them from the first,
// "%NAME%" the variable (nothing when unset); a lone "%" is dropped.
Expansion ExpandPercents(std::string_view line, const std::vector<std::string>& args,
                         const EnvironmentLookup& environment);
// The same into `result`, whose buffer is kept from line to line.
void ExpandPercents(std::string_view line, const std::vector<std::string>& args, const EnvironmentLookup& environment,
                    Expansion& result);

// One character of a line after quotes and carets have been read: `plain` is false for
// characters inside quotes or escaped by a caret, which can then never act as an operator or
// a delimiter. A double quote that opens or closes a quoted part is kept with kind Quote.
struct Ch {
  enum Kind : unsigned char { Plain, Literal, Quote };
  char c;
  Kind kind;
  bool Is(char x) const { return kind == Plain && c == x; }
};

struct Redirection {
  int handle = 1;       // 1 standard output, 2 standard error
  bool append = false;  // ">>"
  int duplicateOf = 0;  // ">&1" / ">&2": the other handle instead of a file
  std::string target;   // the file as written, quotes removed
};

struct LexedLine {
  std::vector<Ch> chars;  // the command, redirections cut out
  bool allPlain = false;  // no quote, caret or operator: every one of `chars` is Plain
  std::vector<Redirection> redirections;
  std::optional<std::string> unsupported;  // what is refused, for the message
  std::optional<std::string> syntaxError;  // e.g. a redirection without a target
};

LexedLine Lex(std::string_view line);
// The same into `out`, whose buffers are kept from line to line.
void Lex(std::string_view line, LexedLine& out);

// Reading a lexed command: tokens separated by blanks, tabs, commas, semicolons or equal signs
// outside quotes, with the quotes removed.
class Cursor {
 public:
  Cursor(const std::vector<Ch>& chars, size_t pos = 0) : chars_(&chars), pos_(pos) {}
  explicit Cursor(const LexedLine& line) : chars_(&line.chars), pos_(0), allPlain_(line.allPlain) {}
  bool AtEnd() const { return pos_ >= chars_->size(); }
  size_t pos() const { return pos_; }
  const Ch& Peek() const { return (*chars_)[pos_]; }
  void Advance(size_t n) { pos_ += n; }
  // The command word at the cursor, not consumed: up to a delimiter, a quote or a "(".
  std::string PeekWord() const;
  void SkipDelimiters();
  // The next token with its quotes removed; `quoted` tells whether it held any.
  std::string Token(bool* quoted = nullptr);
  // The same into `token`, whose buffer is kept.
  void Token(std::string& token, bool* quoted = nullptr);
  // The rest of the line as text, quotes kept (what an external program or echo receives).
  std::string Rest() const;
  // The rest with quotes removed and plain blanks trimmed at both ends (a path given to "cd").
  std::string RestUnquoted() const;

 private:
  const std::vector<Ch>* chars_;
  size_t pos_;
  bool allPlain_ = false;  // tokens then end at the first delimiter, and hold no quote
};

bool IsDelimiter(const Ch& ch);

// Arguments from a command line by the rules Windows programs use for their argv: blanks
// separate, double quotes group, backslashes escape only a double quote, and "" inside quotes
// is one double quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace shotsweep::batch

// The script reader: SplitLines, ExpandPercents, Lex and ParseCommand over any bytes, and the
// way the script writers quote a path (ScriptPath) read back by it.
//
// Input: script text. Its first two pieces (split at NUL bytes) are also taken as two names
// for lines written the way the cleanup and extraction scripts write theirs.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/script_names.h"
#include "batch/command_parser.h"
#include "batch/line_parser.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace shotsweep::batch {
namespace {

const std::vector<std::string> kArgs{"/photos/raw/script.bat", "*.nef"};

std::optional<std::string> SomeVariables(std::string_view name) {
  if (name == "X") return std::string("a b.nef");
  if (name == "P") return std::string("%X%");  // expanded once, never again
  return std::nullopt;
}

// The user's environment is unknown to whoever writes a script: whatever a variable holds,
// a path written into a line must still name itself.
std::optional<std::string> EveryVariable(std::string_view name) { return "<" + std::string(name) + ">"; }

bool IsOperator(const Ch& ch) { return ch.Is('&') || ch.Is('|') || ch.Is('<') || ch.Is('>'); }

void CheckCommand(const Command& command) {
  for (const Condition& condition : command.conditions) {
    // Exists() looks at the path's last character.
    FUZZ_CHECK(!condition.path.empty());
  }
  for (const std::string& argument : command.arguments) FUZZ_CHECK(!argument.empty());
  for (const std::string& sw : command.switches) {
    FUZZ_CHECK(IsSwitch(sw));
    FUZZ_CHECK(command.verb == Verb::Del || command.verb == Verb::Copy);
  }
  if (command.verb == Verb::Unsupported) FUZZ_CHECK(!command.problem.empty());
}

void CheckLexed(const LexedLine& lexed, std::string_view expanded) {
  if (lexed.unsupported || lexed.syntaxError) return;
  FUZZ_CHECK(lexed.chars.size() <= expanded.size());
  for (const Ch& ch : lexed.chars) {
    // An operator never reaches a command as if it were part of an argument.
    FUZZ_CHECK(!IsOperator(ch));
    FUZZ_CHECK((ch.kind == Ch::Quote) == (ch.c == '"' && ch.kind != Ch::Literal));
  }
  for (const Redirection& r : lexed.redirections) {
    FUZZ_CHECK(r.handle == 1 || r.handle == 2);
    FUZZ_CHECK(r.duplicateOf >= 0 && r.duplicateOf <= 2);
    if (r.duplicateOf == 0) FUZZ_CHECK(!r.target.empty());
  }
  CheckCommand(ParseCommand(lexed));
}

void CheckScript(std::string_view text) {
  const std::vector<ScriptLine> lines = SplitLines(text);
  FUZZ_CHECK(lines.size() <= static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  for (const ScriptLine& line : lines) {
    // Every line is a view into the script itself.
    FUZZ_CHECK(line.text.data() >= text.data());
    FUZZ_CHECK(line.text.data() + line.text.size() <= text.data() + text.size());
    FUZZ_CHECK(line.text.find('\n') == std::string_view::npos);
    if (line.refused) continue;
    FUZZ_CHECK(line.text.find('\r') == std::string_view::npos);
    FUZZ_CHECK(line.text.find('\0') == std::string_view::npos);
    const Expansion expansion = ExpandPercents(line.text, kArgs, SomeVariables);
    if (expansion.unsupported) continue;
    CheckLexed(Lex(expansion.text), expansion.text);
  }
}

// The line as the interpreter reads it, which must be a command it can run.
Command Read(const std::string& line) {
  const Expansion expansion = ExpandPercents(line, kArgs, EveryVariable);
  FUZZ_CHECK(!expansion.unsupported);
  const LexedLine lexed = Lex(expansion.text);
  FUZZ_CHECK(!lexed.unsupported);
  FUZZ_CHECK(!lexed.syntaxError);
  return ParseCommand(lexed);
}

using Arguments = std::vector<std::string>;

// The lines the cleanup and extraction scripts write, with `name` and `other` in the places of
// file names, each read back as exactly the command that was meant.
void CheckWrittenLines(std::string_view name, std::string_view other, bool quoteAll) {
  if (name.empty() || other.empty() || UnwritableReason(name) || UnwritableReason(other)) return;
  const std::string q = quoteAll ? "\"" : "";
  const std::string raw = "/photos/" + std::string(name) + "/";   // a RAW folder
  const std::string jpg = "/photos/" + std::string(other) + "/";  // a JPG folder
  const std::string rawFile = raw + std::string(other) + ".nef";
  const std::string base = std::string(name);

  // The renaming script's lines, and a restore line with its bare target.
  Command c = Read("ren " + ScriptPath(q, raw + "*.nef") + " *.nbak");
  FUZZ_CHECK(c.verb == Verb::Ren && c.conditions.empty() && c.redirections.empty());
  FUZZ_CHECK(c.arguments == (Arguments{raw + "*.nef", "*.nbak"}));
  c = Read("ren " + ScriptPath(q, raw + base + ".nbak") + " " + ScriptPath("", base + ".nef"));
  FUZZ_CHECK(c.verb == Verb::Ren && c.redirections.empty());
  FUZZ_CHECK(c.arguments == (Arguments{raw + base + ".nbak", base + ".nef"}));
  c = Read("del " + ScriptPath(q, raw + "*.nbak"));
  FUZZ_CHECK(c.verb == Verb::Del && c.switches.empty() && c.arguments == Arguments{raw + "*.nbak"});

  // The extraction script's lines: a program with a redirection, a copy, a guarded program.
  const std::string tool = raw + "exiv2";
  c = Read(ScriptPath(q, tool) + " -pv " + ScriptPath(q, rawFile) + " >" + ScriptPath(q, jpg + base + ".txt"));
  FUZZ_CHECK(c.verb == Verb::Program && c.name == tool && c.conditions.empty());
  FUZZ_CHECK(SplitCommandLine(c.rest) == (Arguments{"-pv", rawFile}));
  FUZZ_CHECK(c.redirections.size() == 1 && c.redirections[0].handle == 1 && !c.redirections[0].append &&
             c.redirections[0].duplicateOf == 0 && c.redirections[0].target == jpg + base + ".txt");
  c = Read("copy " + ScriptPath(q, raw + base + "-preview1.jpg") + " " + ScriptPath(q, jpg + base + ".jpg") + " /Y");
  FUZZ_CHECK(c.verb == Verb::Copy && c.switches == Arguments{"/Y"});
  FUZZ_CHECK(c.arguments == (Arguments{raw + base + "-preview1.jpg", jpg + base + ".jpg"}));
  c = Read("if exist " + ScriptPath(q, raw + "*.jpg") + " " + ScriptPath(q, tool) + " -all= " +
           ScriptPath(q, jpg + base + ".jpg"));
  FUZZ_CHECK(c.conditions.size() == 1 && !c.conditions[0].negate && c.conditions[0].path == raw + "*.jpg");
  FUZZ_CHECK(c.verb == Verb::Program && c.name == tool);
  FUZZ_CHECK(SplitCommandLine(c.rest) == (Arguments{"-all=", jpg + base + ".jpg"}));

  // "cd" takes the rest of its line, blanks at both ends trimmed as the original does.
  c = Read("cd " + ScriptPath(q, "/photos/" + std::string(name)));
  FUZZ_CHECK(c.verb == Verb::Cd);
  if (name.front() != ' ' && name.back() != ' ') FUZZ_CHECK(c.rest == "/photos/" + std::string(name));
}

}  // namespace
}  // namespace shotsweep::batch

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace shotsweep;
  std::string_view input = fuzz::AsText(data, size);
  batch::CheckScript(input);
  const bool quoteAll = !input.empty() && (input.front() & 1);
  const std::string_view name = fuzz::TakePiece(input);
  const std::string_view other = fuzz::TakePiece(input);
  batch::CheckWrittenLines(name, other, quoteAll);
  return 0;
}

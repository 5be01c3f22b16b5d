#include "batch/command_parser.h"

#include <algorithm>
#include <array>

#include "base/case_folding.h"
#include "base/text.h"

namespace shotsweep::batch {
namespace {

struct VerbName {
  std::string_view name;
  Verb verb;
  bool takesSwitches = false;
};

// The commands this interpreter carries out, by the names the scripts may use.
constexpr std::array<VerbName, 12> kVerbs{{{"echo", Verb::Echo},
                                           {"chcp", Verb::Chcp},
                                           {"cd", Verb::Cd},
                                           {"chdir", Verb::Cd},
                                           {"ren", Verb::Ren},
                                           {"rename", Verb::Ren},
                                           {"del", Verb::Del, true},
                                           {"erase", Verb::Del, true},
                                           {"copy", Verb::Copy, true},
                                           {"exit", Verb::Exit},
                                           {"rem", Verb::Rem},
                                           {"if", Verb::Nothing}}};

// Commands of the original interpreter that scripts for Shotsweep never need. Naming them as
// unsupported is clearer than "not recognized", and keeps a look-alike program on disk from
// being run in their place.
constexpr std::array<std::string_view, 32> kUnsupportedCommands{
    "assoc", "break", "call",  "cls",   "color",  "date",     "dir",    "else",
    "endlocal", "for", "ftype", "goto", "md",     "mkdir",    "mklink", "move",
    "path",  "pause", "popd",  "prompt", "pushd", "rd",       "rmdir",  "set",
    "setlocal", "shift", "start", "time", "title", "type",    "ver",    "verify"};

const VerbName* FindVerb(std::string_view folded) {
  const auto it = std::find_if(kVerbs.begin(), kVerbs.end(), [&](const VerbName& v) { return v.name == folded; });
  return it == kVerbs.end() ? nullptr : &*it;
}

bool IsUnsupportedCommand(std::string_view folded) {
  return std::find(kUnsupportedCommands.begin(), kUnsupportedCommands.end(), folded) != kUnsupportedCommands.end();
}

void ReadEcho(Cursor cursor, Command& command) {
  if (cursor.AtEnd()) return;  // Show
  const Ch separator = cursor.Peek();
  cursor.Advance(1);
  command.rest = cursor.Rest();
  command.echo = Command::EchoAction::Print;
  if (!IsDelimiter(separator)) return;
  const std::string folded = FoldCase(Trim(command.rest));
  if (folded.empty()) {
    command.echo = Command::EchoAction::Show;
  } else if (folded == "on" || folded == "off") {
    command.echo = folded == "on" ? Command::EchoAction::On : Command::EchoAction::Off;
  }
}

}  // namespace

bool IsSwitch(std::string_view token) {
  return token.size() >= 2 && token.size() <= 3 && token[0] == '/' && token.find('/', 1) == std::string_view::npos;
}

Command ParseCommand(const LexedLine& line) {
  Command command;
  ParseCommand(line, command);
  return command;
}

namespace {

// The arguments go into the strings `command.arguments` already holds, so that a script of
// many similar lines allocates none for them; `used` says how many are this line's.
void ParseInto(const LexedLine& line, Command& command, std::size_t& used) {
  command.conditions.clear();
  command.verb = Verb::Nothing;
  command.name.clear();
  command.switches.clear();
  command.cutShort = false;
  command.rest.clear();
  command.problem.clear();
  command.echo = Command::EchoAction::Show;
  command.redirections = line.redirections;
  Cursor cursor(line);
  while (true) {
    cursor.SkipDelimiters();
    if (cursor.AtEnd()) return;
    if (cursor.Peek().Is('(') || cursor.Peek().Is(')')) {
      command.verb = Verb::Unsupported;
      command.problem = "blocks in parentheses";
      return;
    }
    const std::string word = cursor.PeekWord();
    std::string folded = FoldCase(word);
    const VerbName* verb = FindVerb(folded);
    if (verb || IsUnsupportedCommand(folded)) {
      cursor.Advance(word.size());
    } else {
      // "echo." or "cd..": these commands end where their argument begins.
      for (std::string_view prefix : {"echo", "chdir", "cd"}) {
        if (folded.size() > prefix.size() && folded.starts_with(prefix) &&
            std::string_view(".:/\\[]+").find(folded[prefix.size()]) != std::string_view::npos) {
          verb = FindVerb(prefix);
          folded = prefix;
          cursor.Advance(prefix.size());
          break;
        }
      }
    }

    if (folded == "if") {
      // if [not] exist PATH COMMAND: the condition, then the command it guards, read on.
      Condition condition;
      std::string keyword = FoldCase(cursor.Token());
      if (keyword == "not") {
        condition.negate = true;
        keyword = FoldCase(cursor.Token());
      }
      if (keyword != "exist") {
        command.verb = Verb::Unsupported;
        command.problem = "conditions of \"if\" other than \"exist\"";
        return;
      }
      condition.path = cursor.Token();
      cursor.SkipDelimiters();
      if (condition.path.empty() || cursor.AtEnd()) {
        command.verb = Verb::BadSyntax;
        return;
      }
      command.conditions.push_back(std::move(condition));
      continue;
    }
    if (!verb) {
      if (IsUnsupportedCommand(folded)) {
        command.verb = Verb::Unsupported;
        command.problem = "the \"" + folded + "\" command";
        return;
      }
      command.verb = Verb::Program;
      command.name = cursor.Token();
      command.rest = cursor.Rest();
      return;
    }

    command.verb = verb->verb;
    if (command.verb == Verb::Echo) {
      ReadEcho(cursor, command);
      return;
    }
    if (command.verb == Verb::Cd) command.rest = cursor.RestUnquoted();
    while (true) {
      if (used == command.arguments.size()) command.arguments.emplace_back();
      std::string& token = command.arguments[used];
      cursor.Token(token);
      if (token.empty()) break;
      if (verb->takesSwitches && IsSwitch(token)) {
        command.switches.push_back(token);
      } else {
        ++used;
      }
    }
    cursor.SkipDelimiters();
    command.cutShort = !cursor.AtEnd();
    return;
  }
}

}  // namespace

void ParseCommand(const LexedLine& line, Command& command) {
  std::size_t used = 0;
  ParseInto(line, command, used);
  command.arguments.resize(used);
}

}  // namespace shotsweep::batch

#pragma once
// From a lexed line to the command it asks for: which verb, its arguments and switches, the
// conditions ("if [not] exist PATH") that must hold first, and its redirections. The parser
// knows no file and runs nothing; Interpreter carries the command out. Chained conditions are
// read in a loop, so a line of any length and nesting is parsed without a deeper stack.

#include <string>
#include <string_view>
#include <vector>

#include "batch/line_parser.h"

namespace shotsweep::batch {

enum class Verb {
  Nothing,      // no command: the redirections alone, which still create their files
  Rem,
  Echo,
  Chcp,
  Cd,
  Ren,
  Del,
  Copy,
  Exit,
  Program,      // an external program, named by `name`
  Unsupported,  // refused: `problem` says what
  BadSyntax,    // "The syntax of the command is incorrect."
};

struct Condition {
  bool negate = false;  // "if not exist"
  std::string path;
};

struct Command {
  // Each must hold, in order, before the command runs; a command that could not be read
  // (Unsupported, BadSyntax) is only reported once they all hold.
  std::vector<Condition> conditions;
  Verb verb = Verb::Nothing;
  std::string name;                    // the program as written; the unsupported command
  std::vector<std::string> arguments;  // the tokens after the verb, quotes removed
  std::vector<std::string> switches;   // "/Y", "/q": only for the verbs that take them
  bool cutShort = false;               // an empty argument ("") ended the arguments early
  std::string rest;                    // echo's text and a program's arguments as written, quotes
                                       // kept; cd's folder without them
  std::string problem;                 // what is unsupported
  std::vector<Redirection> redirections;

  // What "echo" was asked: show whether echo is on, turn it on or off, or print `rest`.
  enum class EchoAction { Show, On, Off, Print } echo = EchoAction::Show;
};

Command ParseCommand(const LexedLine& line);
// The same into `command`, whose buffers are kept from line to line.
void ParseCommand(const LexedLine& line, Command& command);

// "/Y", "/q", "/-Y". Linux paths start with "/" too, so only such short words count as switches.
bool IsSwitch(std::string_view token);

}  // namespace shotsweep::batch

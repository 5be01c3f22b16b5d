// What the programs around the interpreter say to each other: the interpreter's report lines
// (ParseReportLine) as the window reads them, exiftool's replies in a kept-open session
// (ReadExiftoolReply), and the argument file lines written to that session (ArgfileLine),
// read back by the rules exiftool reads them with.
//
// Input: report lines, one per line; then, split at NUL bytes, exiftool's standard output,
// its standard error, and an argument.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/progress_protocol.h"
#include "base/text.h"
#include "batch/exiftool_session.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace shotsweep {
namespace {

void CheckReportLine(std::string_view line) {
  const ReportLine report = ParseReportLine(line);
  if (line.starts_with("! ")) {
    FUZZ_CHECK(report.kind == ReportLine::Failure && report.text == line.substr(2));
  } else if (line.starts_with("~ ")) {
    FUZZ_CHECK(report.kind == ReportLine::Note && report.text == line.substr(2));
  } else if (report.kind == ReportLine::Progress) {
    // Whatever the reader takes for a count, the writer's line for it reads back the same.
    const std::string written = ProgressLine(report.done, report.total);
    const ReportLine again = ParseReportLine(std::string_view(written).substr(0, written.size() - 1));
    FUZZ_CHECK(again.kind == ReportLine::Progress && again.done == report.done && again.total == report.total);
  } else if (report.kind == ReportLine::ScriptBegin) {
    const std::string written = ScriptBeginLine(static_cast<std::size_t>(report.script));
    const ReportLine again = ParseReportLine(std::string_view(written).substr(0, written.size() - 1));
    FUZZ_CHECK(again.kind == ReportLine::ScriptBegin && again.script == report.script);
  } else if (report.kind == ReportLine::BlockBegin || report.kind == ReportLine::BlockEnd ||
             report.kind == ReportLine::ProgramEnd) {
    const std::size_t block = static_cast<std::size_t>(report.block);
    const std::size_t at = static_cast<std::size_t>(report.line);
    const std::string written = report.kind == ReportLine::BlockBegin ? BlockBeginLine(block, at)
                                : report.kind == ReportLine::BlockEnd
                                    ? BlockEndLine(block, static_cast<std::size_t>(report.failed))
                                    : ProgramEndLine(block, at, static_cast<int>(report.status), "");
    const ReportLine again = ParseReportLine(std::string_view(written).substr(0, written.size() - 1));
    FUZZ_CHECK(again.kind == report.kind && again.block == report.block && again.line == report.line &&
               again.failed == report.failed && (report.status > INT_MAX || again.status == report.status));
  } else {
    FUZZ_CHECK(report.kind == ReportLine::Unknown);
  }
  // Whatever a program wrote on standard error, its report is one line that reads back.
  const std::string program = ProgramEndLine(7, 9, 1, line);
  FUZZ_CHECK(program.find('\n') == program.size() - 1);
  const ReportLine ended = ParseReportLine(std::string_view(program).substr(0, program.size() - 1));
  FUZZ_CHECK(ended.kind == ReportLine::ProgramEnd && ended.block == 7 && ended.line == 9 && ended.status == 1);
  FUZZ_CHECK(ended.text.find('\t') == std::string::npos && ended.lastText.find('\t') == std::string::npos);
  // A failure's text, whatever it holds, is one report line and reads back as written.
  const std::string failure = FailureLine(line);
  FUZZ_CHECK(failure.find('\n') == failure.size() - 1);
  const ReportLine read = ParseReportLine(std::string_view(failure).substr(0, failure.size() - 1));
  FUZZ_CHECK(read.kind == ReportLine::Failure && read.text == EscapeControls(line));
}

void CheckReply(std::string_view out, std::string_view err, unsigned number, int status) {
  const std::string ready = "{ready" + std::to_string(number) + "}\n";
  const std::string done = "{shotsweep-done-" + std::to_string(number) + " ";
  const batch::ExiftoolReply reply = batch::ReadExiftoolReply(out, err, number);
  if (reply.complete) {
    FUZZ_CHECK(out.substr(reply.outputEnd).starts_with(ready));
    FUZZ_CHECK(err.substr(reply.messagesEnd).starts_with(done));
    FUZZ_CHECK(err.find("}\n", reply.messagesEnd) != std::string_view::npos);
  }
  // The session reads until the reply is complete and keeps the answer: more text after it
  // changes nothing.
  for (std::size_t cut : {out.size() / 2, out.size()}) {
    const auto part = batch::ReadExiftoolReply(out.substr(0, cut), err.substr(0, err.size() / 2), number);
    if (!part.complete) continue;
    FUZZ_CHECK(reply.complete && reply.outputEnd == part.outputEnd && reply.messagesEnd == part.messagesEnd &&
               reply.exitStatus == part.exitStatus);
  }
  // A command's own output and messages, whatever they hold, come back whole with its status.
  if (out.find(ready) == std::string_view::npos && err.find(done) == std::string_view::npos) {
    const std::string fullOut = std::string(out) + ready;
    const std::string fullErr = std::string(err) + done + std::to_string(status) + "}\n";
    const auto whole = batch::ReadExiftoolReply(fullOut, fullErr, number);
    FUZZ_CHECK(whole.complete && whole.outputEnd == out.size() && whole.messagesEnd == err.size() &&
               whole.exitStatus == status);
  }
}

bool IsPerlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsPerlWord(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// One line of an argument file (its LF taken off) as exiftool turns it into an argument;
// nullopt for a line it skips. Written after exiftool's FilterArgfileLine.
std::optional<std::string> ExiftoolReads(std::string line) {
  auto dropTrailingLineEnds = [](std::string& s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
  };
  if (line.starts_with('#')) {
    if (!line.starts_with("#[CSTR]")) return std::nullopt;
    std::string arg = line.substr(7);
    dropTrailingLineEnds(arg);
    // Quotes, "$" and "@" not escaped yet are escaped, and so is a backslash at the very end...
    std::string escaped;
    for (std::size_t i = 0; i < arg.size(); ++i) {
      if (arg[i] == '\\' && i + 1 < arg.size()) {
        escaped += arg.substr(i, 2);
        ++i;
      } else if (arg[i] == '"' || arg[i] == '$' || arg[i] == '@' || arg[i] == '\\') {
        escaped += '\\';
        escaped += arg[i];
      } else {
        escaped += arg[i];
      }
    }
    // ...then the C escapes are read; any other backslash stays.
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
      if (escaped[i] != '\\' || i + 1 == escaped.size()) {
        out += escaped[i];
        continue;
      }
      const char c = escaped[++i];
      const std::string_view from = "abfnrt\"\\";
      const std::string_view to = "\a\b\f\n\r\t\"\\";
      if (const std::size_t k = from.find(c); k != std::string_view::npos) {
        out += to[k];
      } else {
        out += '\\';
        out += c;
      }
    }
    return out;
  }
  std::size_t start = 0;
  while (start < line.size() && IsPerlSpace(line[start])) ++start;
  std::string arg = line.substr(start);
  dropTrailingLineEnds(arg);
  // "-TAG = VALUE": the blanks before "=" (or "+=", "-=", "<=") and one blank after it go.
  if (arg.starts_with('-')) {
    std::size_t i = 1;
    while (i < arg.size() && (IsPerlWord(arg[i]) || arg[i] == '-' || arg[i] == ':')) ++i;
    if (i > 1) {
      const std::size_t tagEnd = i < arg.size() && arg[i] == '#' ? i + 1 : i;
      std::size_t j = tagEnd;
      while (j < arg.size() && IsPerlSpace(arg[j])) ++j;
      std::size_t op = j;
      if (op < arg.size() && (arg[op] == '-' || arg[op] == '+' || arg[op] == '<')) ++op;
      if (op < arg.size() && arg[op] == '=') {
        std::size_t after = op + 1;
        if (after < arg.size() && arg[after] == ' ') ++after;
        arg = arg.substr(0, tagEnd) + arg.substr(j, op + 1 - j) + arg.substr(after);
      }
    }
  }
  if (arg.empty()) return std::nullopt;
  return arg;
}

void CheckArgfileLine(std::string_view arg) {
  const std::optional<std::string> line = batch::ArgfileLine(arg);
  if (!line) {
    // Only "$" and "@" cannot be carried, and only when the line needs escaping.
    FUZZ_CHECK(arg.find_first_of("$@") != std::string_view::npos);
    return;
  }
  // One argument, one line: nothing in an argument can start another (a "-execute" of its own).
  FUZZ_CHECK(!line->empty() && line->back() == '\n');
  FUZZ_CHECK(line->find_first_of("\r\n") == line->size() - 1);
  FUZZ_CHECK(ExiftoolReads(line->substr(0, line->size() - 1)) == std::string(arg));
}

}  // namespace
}  // namespace shotsweep

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace shotsweep;
  std::string_view input = fuzz::AsText(data, size);
  std::string_view reports = fuzz::TakePiece(input);
  while (!reports.empty()) shotsweep::CheckReportLine(fuzz::TakePiece(reports, '\n'));
  const unsigned number = 1 + fuzz::TakeByte(input) % 100;
  const int status = static_cast<int>(fuzz::TakeByte(input)) - 128;
  const std::string_view out = fuzz::TakePiece(input);
  const std::string_view err = fuzz::TakePiece(input);
  shotsweep::CheckReply(out, err, number, status);
  shotsweep::CheckArgfileLine(input);
  return 0;
}

#pragma once
// What shotsweep-batch tells whoever started it, beside its ordinary output: when the
// environment variable SHOTSWEEP_PROGRESS_FD names an open file descriptor, it writes one line
// at a time to it:
//   "DONE TOTAL"  script lines run and script lines in all, at most every 50 ms and at the end;
//   "! TEXT"      a line that failed on a file that was there, or could not run at all. TEXT
//                 names the script, the line and the file, and says why. Lines that merely
//                 found nothing to act on (a restore line for a JPG without a RAW twin) are
//                 not reported.
//   "> N"         a run of several scripts (a cleanup's renaming and restoring script) began
//                 its script N, the first being 1; so a run cut short can be told by its script.
//   "~ TEXT"      a note: something the run did otherwise than its script line says, on
//                 purpose and without harm (a file left alone because it was not planned),
//                 which whoever started it should tell the user.
// A script run with --jobs (see the manual page of shotsweep-batch) is run in blocks, each ending
// at a "REM" line of 68 asterisks. What each block did is told together, once the block and every
// block before it have ended, so a block's reports are never interleaved with another's:
//   "{ K LINE"    block K (the first is 1) began at script line LINE;
//   "= K LINE STATUS FIRST" or "= K LINE STATUS FIRST<TAB>LAST"
//                 the program on script line LINE ended with STATUS (127: it could not be started);
//                 FIRST and LAST are the first and the last line it wrote on standard error, LAST
//                 only when it wrote more than one, both empty when it wrote none there;
//   "} K FAILED"  block K ended; FAILED of its lines failed (each told by a "!" line before it).
// A block that was never begun (the run was stopped) has no report.
// Writer and reader both use these functions, so the two sides cannot drift apart.

#include <charconv>
#include <climits>
#include <csignal>
#include <string>
#include <string_view>

#include "base/text.h"

namespace shotsweep {

inline constexpr const char* kProgressFdVariable = "SHOTSWEEP_PROGRESS_FD";

// Sent to a run with --jobs, it ends the blocks under way, begins no other, leaves out the lines
// after the last block and exits with kStoppedStatus (unless everything had begun by then).
inline constexpr int kStopSignal = SIGUSR1;
inline constexpr int kStoppedStatus = 3;

inline std::string ProgressLine(std::size_t done, std::size_t total) {
  return std::to_string(done) + " " + std::to_string(total) + "\n";
}

// Control characters in TEXT (a file name may hold a line end) are written as \xHH, so one
// report is always one line.
inline std::string FailureLine(std::string_view text) { return "! " + EscapeControls(text) + "\n"; }
inline std::string NoteLine(std::string_view text) { return "~ " + EscapeControls(text) + "\n"; }

inline std::string ScriptBeginLine(std::size_t script) { return "> " + std::to_string(script) + "\n"; }

inline std::string BlockBeginLine(std::size_t block, std::size_t line) {
  return "{ " + std::to_string(block) + " " + std::to_string(line) + "\n";
}

// `errors`: all the program wrote on standard error.
inline std::string ProgramEndLine(std::size_t block, std::size_t line, int status, std::string_view errors) {
  std::string_view first, last;
  std::size_t lines = 0;
  for (std::size_t at = 0; at < errors.size();) {
    std::size_t end = errors.find('\n', at);
    if (end == std::string_view::npos) end = errors.size();
    std::string_view text = errors.substr(at, end - at);
    if (text.ends_with('\r')) text.remove_suffix(1);
    if (!text.empty()) (lines++ == 0 ? first : last) = text;
    at = end + 1;
  }
  std::string report = "= " + std::to_string(block) + " " + std::to_string(line) + " " +
                       std::to_string(status < 0 ? 127 : status) + " " + EscapeControls(first);
  if (lines > 1) report += "\t" + EscapeControls(last);
  return report + "\n";
}

inline std::string BlockEndLine(std::size_t block, std::size_t failed) {
  return "} " + std::to_string(block) + " " + std::to_string(failed) + "\n";
}

struct ReportLine {
  enum Kind { Progress, Failure, Note, ScriptBegin, BlockBegin, ProgramEnd, BlockEnd, Unknown } kind = Unknown;
  long done = 0;
  long total = 0;
  std::string text;  // a failure's or a note's text; the first line a program wrote on stderr
  std::string lastText;  // the last line a program wrote on stderr, when it wrote more than one
  long block = 0;
  long line = 0;    // the script line a block began at, or a program ran on
  long status = 0;  // a program's exit status
  long failed = 0;  // the failed lines of a block
  long script = 0;  // the script of a run that began
};

// Reads the unsigned count at the start of `line` and steps past it: the last of the line, or
// followed by one blank, which is stepped past too. A minus or plus sign makes no count.
inline bool ReadCount(std::string_view& line, long& count, bool last) {
  unsigned long value = 0;
  const char* end = line.data() + line.size();
  const auto [p, error] = std::from_chars(line.data(), end, value);
  if (error != std::errc() || value > static_cast<unsigned long>(LONG_MAX)) return false;
  if (last ? p != end : p == end || *p != ' ') return false;
  count = static_cast<long>(value);
  line.remove_prefix(static_cast<std::size_t>(p - line.data()) + (last ? 0 : 1));
  return true;
}

// One line without its line end.
inline ReportLine ParseReportLine(std::string_view line) {
  ReportLine report;
  if (line.starts_with("! ") || line.starts_with("~ ")) {
    report.kind = line[0] == '!' ? ReportLine::Failure : ReportLine::Note;
    report.text = std::string(line.substr(2));
    return report;
  }
  std::string_view rest = line.substr(line.size() >= 2 && line[1] == ' ' ? 2 : 0);
  if (line.starts_with("> ")) {
    if (ReadCount(rest, report.script, true)) report.kind = ReportLine::ScriptBegin;
  } else if (line.starts_with("{ ")) {
    if (ReadCount(rest, report.block, false) && ReadCount(rest, report.line, true)) report.kind = ReportLine::BlockBegin;
  } else if (line.starts_with("} ")) {
    if (ReadCount(rest, report.block, false) && ReadCount(rest, report.failed, true)) report.kind = ReportLine::BlockEnd;
  } else if (line.starts_with("= ")) {
    if (ReadCount(rest, report.block, false) && ReadCount(rest, report.line, false) &&
        ReadCount(rest, report.status, false)) {
      const std::size_t tab = rest.find('\t');
      report.text = std::string(rest.substr(0, tab));
      if (tab != std::string_view::npos) report.lastText = std::string(rest.substr(tab + 1));
      report.kind = ReportLine::ProgramEnd;
    }
  } else if (ReadCount(rest = line, report.done, false) && ReadCount(rest, report.total, true)) {
    report.kind = ReportLine::Progress;
  }
  return report;
}

}  // namespace shotsweep

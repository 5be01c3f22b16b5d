#pragma once
// What shotsweep-batch tells whoever started it, beside its ordinary output: when the
// environment variable SHOTSWEEP_PROGRESS_FD names an open file descriptor, it writes one line
// at a time to it:
//   "DONE TOTAL"  script lines run and script lines in all, at most every 50 ms and at the end;
//   "! TEXT"      a line that failed on a file that was there, or could not run at all. TEXT
//                 names the script, the line and the file, and says why. Lines that merely
//                 found nothing to act on (a restore line for a JPG without a RAW twin) are
//                 not reported.
//   "~ TEXT"      a note: something the run did otherwise than its script line says, on
//                 purpose and without harm (a file left alone because it was not planned),
//                 which whoever started it should tell the user.
// Writer and reader both use these functions, so the two sides cannot drift apart.

#include <charconv>
#include <climits>
#include <string>
#include <string_view>

#include "base/text.h"

namespace shotsweep {

inline constexpr const char* kProgressFdVariable = "SHOTSWEEP_PROGRESS_FD";

inline std::string ProgressLine(std::size_t done, std::size_t total) {
  return std::to_string(done) + " " + std::to_string(total) + "\n";
}

// Control characters in TEXT (a file name may hold a line end) are written as \xHH, so one
// report is always one line.
inline std::string FailureLine(std::string_view text) { return "! " + EscapeControls(text) + "\n"; }
inline std::string NoteLine(std::string_view text) { return "~ " + EscapeControls(text) + "\n"; }

struct ReportLine {
  enum Kind { Progress, Failure, Note, Unknown } kind = Unknown;
  long done = 0;
  long total = 0;
  std::string text;  // a failure's or a note's text
};

// One line without its line end.
inline ReportLine ParseReportLine(std::string_view line) {
  ReportLine report;
  if (line.starts_with("! ") || line.starts_with("~ ")) {
    report.kind = line[0] == '!' ? ReportLine::Failure : ReportLine::Note;
    report.text = std::string(line.substr(2));
    return report;
  }
  // Read as the unsigned counts they were written as: a minus sign makes no count.
  unsigned long done = 0, total = 0;
  const char* end = line.data() + line.size();
  auto [p, error] = std::from_chars(line.data(), end, done);
  if (error != std::errc() || p == end || *p != ' ') return report;
  auto [q, error2] = std::from_chars(p + 1, end, total);
  if (error2 != std::errc() || q != end) return report;
  if (done > static_cast<unsigned long>(LONG_MAX) || total > static_cast<unsigned long>(LONG_MAX)) return report;
  report.done = static_cast<long>(done);
  report.total = static_cast<long>(total);
  report.kind = ReportLine::Progress;
  return report;
}

}  // namespace shotsweep

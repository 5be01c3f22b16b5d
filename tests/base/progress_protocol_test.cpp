// The interpreter's report lines as the window reads them back.
#include "base/progress_protocol.h"

#include <gtest/gtest.h>

namespace shotsweep {
namespace {

ReportLine Read(const std::string& written) {
  EXPECT_TRUE(written.ends_with('\n'));
  return ParseReportLine(std::string_view(written).substr(0, written.size() - 1));
}

TEST(ProgressProtocol, WhatTheWriterWritesReadsBack) {
  const ReportLine progress = Read(ProgressLine(3, 120));
  EXPECT_EQ(progress.kind, ReportLine::Progress);
  EXPECT_EQ(progress.done, 3);
  EXPECT_EQ(progress.total, 120);
  const ReportLine failure = Read(FailureLine("a\nb.nef: Access is denied."));
  EXPECT_EQ(failure.kind, ReportLine::Failure);
  EXPECT_EQ(failure.text, "a\\x0Ab.nef: Access is denied.");
  const ReportLine note = Read(NoteLine("NEW.NEF: left as it is"));
  EXPECT_EQ(note.kind, ReportLine::Note);
  EXPECT_EQ(note.text, "NEW.NEF: left as it is");
}

// No writer puts a sign before a count; a line that does is no progress (found by fuzzing).
TEST(ProgressProtocol, CountsWithASignAreNoProgress) {
  for (const char* line : {"-1 5", "1 -5", "+1 5", "1 +5", "1  5", "1 5 ", " 1 5", "1", "x 5"}) {
    EXPECT_EQ(ParseReportLine(line).kind, ReportLine::Unknown) << line;
  }
}

}  // namespace
}  // namespace shotsweep

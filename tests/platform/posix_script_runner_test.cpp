// Starting and waiting for the interpreter without a window. Stand-in interpreters are small
// shell scripts, so each behaviour (output, progress, exit status, a kill) can be forced.

#include "platform/posix_script_runner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>

#include "base/progress_protocol.h"
#include "platform/interpreter_path.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// bash rather than sh: dash cannot write to a descriptor above 9, and the progress pipe's
// number in the child may well be higher.
std::string StandIn(const testing::TempFolder& temp, const std::string& body) {
  return temp.WriteProgram("interpreter.sh", "#!/bin/bash\n" + body).string();
}

TEST(PosixScriptRunner, RunsInTheWorkingFolderAndCollectsOutputProgressAndStatus) {
  testing::TempFolder temp;
  const fs::path work = temp.MakeDir("my raw");
  PosixScriptRunner runner(StandIn(temp,
                                   "echo \"in $(pwd) for $1\"\n"
                                   "echo oops >&2\n"
                                   "echo '1 2' >&$SHOTSWEEP_PROGRESS_FD\n"
                                   "echo '2 2' >&$SHOTSWEEP_PROGRESS_FD\n"
                                   "read line && echo 'stdin was not empty'\n"
                                   "exit 3\n"));
  std::vector<std::pair<int, int>> reports;
  runner.onProgress = [&](ScriptProcess& p) { reports.emplace_back(p.done(), p.total()); };
  const ScriptOutcome outcome = runner.Run({work.string() + "/x.bat", work.string(), WindowStyle::Hidden, ""});
  EXPECT_FALSE(outcome.error);
  EXPECT_EQ(outcome.exitStatus, 3);
  EXPECT_EQ(outcome.output, "in " + work.string() + " for " + work.string() + "/x.bat\noops\n");
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), std::make_pair(2, 2));
}

TEST(PosixScriptRunner, WhatCannotStartOrDoesNotEndByItselfIsAnError) {
  testing::TempFolder temp;
  const ScriptRequest request{"x.bat", temp.str(), WindowStyle::Hidden, ""};

  const ScriptOutcome missing = PosixScriptRunner(temp.str() + "/shotsweep-batch").Run(request);
  ASSERT_TRUE(missing.error);
  EXPECT_EQ(missing.error->number, ENOENT);
  const ScriptOutcome unknown = PosixScriptRunner("").Run(request);
  ASSERT_TRUE(unknown.error);
  EXPECT_THAT(unknown.error->Text(), HasSubstr("shotsweep-batch"));

  PosixScriptRunner sleeper(StandIn(temp, "exec sleep 30\n"));
  const ScriptOutcome noFolder = sleeper.Run({"x.bat", temp.str() + "/gone", WindowStyle::Hidden, ""});
  ASSERT_TRUE(noFolder.error);
  EXPECT_THAT(noFolder.error->Text(), ::testing::AllOf(StartsWith("2 "), HasSubstr("/gone")));

  sleeper.onStarted = [](ScriptProcess& p) { p.Kill(); };
  const ScriptOutcome killed = sleeper.Run(request);
  ASSERT_TRUE(killed.error);
  EXPECT_THAT(killed.error->Text(), HasSubstr("signal 9"));
}

TEST(PosixScriptRunner, AProgramLeftRunningByTheScriptDoesNotHoldTheRun) {
  testing::TempFolder temp;
  // The background program keeps the output pipe open after the interpreter has ended.
  PosixScriptRunner runner(StandIn(temp, "echo started\nsleep 3 &\nexit 0\n"));
  const auto start = std::chrono::steady_clock::now();
  const ScriptOutcome outcome = runner.Run({"x.bat", temp.str(), WindowStyle::Hidden, ""});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
  EXPECT_FALSE(outcome.error);
  EXPECT_EQ(outcome.output, "started\n");
}

TEST(PosixScriptRunner, TheRealInterpreterBesideTheProgramRunsAScriptAndReportsProgress) {
  testing::TempFolder temp;
  temp.Write("a.nef", "a");
  const fs::path script = temp.Write("rRAW.bat", "chcp 0\r\nren *.nef *.nbak\r\n");
  ASSERT_TRUE(fs::exists(InterpreterPath())) << InterpreterPath();
  PosixScriptRunner runner;
  int finalDone = -1;
  int finalTotal = -1;
  runner.onProgress = [&](ScriptProcess& p) { finalDone = p.done(), finalTotal = p.total(); };
  const ScriptOutcome outcome = runner.Run({script.string(), temp.str(), WindowStyle::Hidden, ""});
  EXPECT_FALSE(outcome.error);
  EXPECT_EQ(outcome.exitStatus, 0);
  EXPECT_TRUE(fs::exists(temp.path() / "a.nbak"));
  EXPECT_EQ(finalDone, finalTotal);
  EXPECT_GT(finalTotal, 0);
}

// Blocks that each sleep a little and then leave a file behind, and a closing line.
std::string BlocksScript(const testing::TempFolder& temp, int blocks, const std::string& seconds = "0.2") {
  std::string text = "chcp 65001\r\n";
  for (int n = 1; n <= blocks; ++n) {
    text += "/bin/sleep " + seconds + "\r\necho " + std::to_string(n) + " >" + temp.str() + "/" + std::to_string(n) +
            ".txt\r\nREM " + std::string(68, '*') + "\r\n\r\n";
  }
  return text + "echo closing >" + temp.str() + "/closing.txt\r\n";
}

TEST(PosixScriptRunner, AStoppedRunEndsTheBlocksUnderWayAndTellsWhichRan) {
  testing::TempFolder temp;
  const fs::path script = temp.Write("Extr.bat", BlocksScript(temp, 12));
  PosixScriptRunner runner;
  bool asked = false;
  runner.onProgress = [&asked](ScriptProcess& p) {
    // Once the first blocks have ended.
    if (p.done() > 1 && !asked) {
      asked = p.Stop();
      EXPECT_TRUE(asked);
    }
  };
  ScriptRequest request{script.string(), temp.str(), WindowStyle::Hidden, ""};
  request.jobs = 2;
  const ScriptOutcome outcome = runner.Run(request);
  EXPECT_FALSE(outcome.error);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.exitStatus, kStoppedStatus);
  ASSERT_GE(outcome.blocks.size(), 2u);
  ASSERT_LT(outcome.blocks.size(), 12u);
  for (std::size_t i = 0; i < outcome.blocks.size(); ++i) {
    const BlockReport& block = outcome.blocks[i];
    EXPECT_EQ(block.number, i + 1);
    EXPECT_EQ(block.firstLine, 2 + 4 * i);
    EXPECT_TRUE(block.ended);
    ASSERT_EQ(block.programs.size(), 1u);
    EXPECT_EQ(block.programs[0].line, block.firstLine);
    EXPECT_EQ(block.programs[0].exitStatus, 0);
  }
  for (int n = 1; n <= 12; ++n) {
    EXPECT_EQ(fs::exists(temp.path() / (std::to_string(n) + ".txt")), n <= static_cast<int>(outcome.blocks.size()));
  }
  EXPECT_FALSE(fs::exists(temp.path() / "closing.txt"));
  EXPECT_THAT(ScriptFailure(outcome, "Extr.bat")->Text(), HasSubstr("stopped"));
}

TEST(PosixScriptRunner, AStopAskedAtOnceNeverKillsAndOnlyARunWithJobsCanBeStopped) {
  testing::TempFolder temp;
  // Long blocks, so that the stop surely comes before they end; on a busy machine the
  // interpreter may well have begun them by the time it comes.
  const fs::path slow = temp.Write("Slow.bat", BlocksScript(temp, 2, "1"));
  PosixScriptRunner runner;
  runner.onStarted = [](ScriptProcess& p) { EXPECT_TRUE(p.Stop()); };
  ScriptRequest request{slow.string(), temp.str(), WindowStyle::Hidden, ""};
  request.jobs = 4;
  const ScriptOutcome stopped = runner.Run(request);
  EXPECT_FALSE(stopped.error);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.exitStatus, kStoppedStatus);
  // A block that had begun is let end; none begins after the stop, and the closing line is left out.
  for (const BlockReport& block : stopped.blocks) {
    EXPECT_TRUE(block.ended);
    EXPECT_TRUE(fs::exists(temp.path() / (std::to_string(block.number) + ".txt")));
  }
  for (int n = static_cast<int>(stopped.blocks.size()) + 1; n <= 2; ++n) {
    EXPECT_FALSE(fs::exists(temp.path() / (std::to_string(n) + ".txt")));
  }
  EXPECT_FALSE(fs::exists(temp.path() / "closing.txt"));

  const fs::path script = temp.Write("Extr.bat", BlocksScript(temp, 2));
  runner.onStarted = [](ScriptProcess& p) { EXPECT_FALSE(p.Stop()); };
  request.scriptPath = script.string();
  request.jobs = 0;
  const ScriptOutcome whole = runner.Run(request);
  EXPECT_TRUE(whole.WentAsPlanned());
  EXPECT_TRUE(whole.blocks.empty());
  EXPECT_TRUE(fs::exists(temp.path() / "closing.txt"));
}

}  // namespace
}  // namespace shotsweep

// A cleanup's run in this process over a RAW folder in memory: exact names, a plan that limits
// the run, sidecars, and the record left behind.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "fs/memory_file_system.h"
#include "tests/batch/batch_test_run.h"
#include "tests/batch/cleanup_plan.h"

namespace shotsweep::batch {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Names = std::set<std::string>;
using testing::MakeCleanup;

struct MemoryCleanup {
  MemoryFileSystem fs;
  int status = -1;
  std::vector<std::string> failures;
  std::vector<std::string> notes;
  std::optional<CleanupRecord> left;

  explicit MemoryCleanup(const std::vector<std::string>& files) {
    fs.AddFolder("/raw");
    for (const std::string& name : files) fs.AddFile("/raw/" + name, name);
  }
  // The scripts run one after the other as one run in /raw.
  void Run(const std::vector<std::string>& scripts, InterpreterOptions options) {
    const UniqueFd devNull(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    Output output(devNull.get(), devNull.get());
    testing::RecordingRunner programs;
    options.workingDir = "/raw";
    options.inputFd = -1;
    options.onFailure = [this](const std::string& report) { failures.push_back(report); };
    options.onNote = [this](const std::string& report) { notes.push_back(report); };
    Interpreter interpreter(std::move(options), output, programs, fs);
    std::vector<ScriptText> texts;
    for (const std::string& script : scripts) texts.push_back({"/raw/script.bat", script});
    status = interpreter.Run(texts);
    left = interpreter.RecordLeft();
  }
  Names Files() {
    std::vector<DirEntry> entries;
    fs.List("/raw", entries);
    Names names;
    for (const DirEntry& e : entries) names.insert(e.name);
    return names;
  }
};

InterpreterOptions Cleanup(std::optional<CleanupRecord> plan = std::nullopt) {
  InterpreterOptions options;
  options.guardDeletes = options.exactNames = true;
  if (plan) {
    options.record = std::move(plan);
    options.recordFolder = "/raw";
    options.recordIsPlan = true;
  }
  return options;
}

TEST(CleanupRun, APlanTouchesOnlyWhatItNamesAndSidecarsLeaveOnlyWithTheirRawFile) {
  const std::vector<std::string> raws{"DSC_0001.NEF", "DSC_0002.NEF", "DSC_0003.CR2"};
  auto files = MakeCleanup("/raw", raws, {"dsc_0001.jpg"}, PlannedAction::Delete);
  files.plan.sidecars = {{PlannedAction::Delete, "DSC_0002.NEF.xmp", "DSC_0002.NEF"},
                         {PlannedAction::Delete, "DSC_0002.xmp", "DSC_0002.NEF"},       // there in another spelling only
                         {PlannedAction::Delete, "DSC_0003.CR2.xmp", "DSC_0003.CR2"},   // gone already
                         {PlannedAction::Delete, "DSC_0003.CR2.pp3", "DSC_0003.CR2"}};  // a folder now
  MemoryCleanup run({"DSC_0001.NEF", "DSC_0001.NEF.xmp", "DSC_0002.NEF", "DSC_0002.NEF.xmp", "dsc_0002.XMP",
                     "DSC_0003.CR2"});
  run.fs.AddFolder("/raw/DSC_0003.CR2.pp3");
  // Written after the cleanup was planned: not the plan's to touch.
  run.fs.AddFile("/raw/NEW.NEF", "new");
  run.fs.AddFile("/raw/LATE.nbak", "late");
  run.Run({files.renaming, files.restoring}, Cleanup(files.plan));
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.failures, ElementsAre());
  EXPECT_EQ(run.Files(), (Names{"DSC_0001.NEF", "DSC_0001.NEF.xmp", "dsc_0002.XMP", "DSC_0003.CR2.pp3", "NEW.NEF",
                                "LATE.nbak"}));
  ASSERT_EQ(run.notes.size(), 2u);
  EXPECT_THAT(run.notes[0], HasSubstr("/raw/NEW.NEF: not in the cleanup's plan, so left as it is"));
  EXPECT_THAT(run.notes[1], HasSubstr("/raw/LATE.nbak: not in the cleanup's plan"));
  EXPECT_EQ(run.left, std::nullopt);
}

TEST(CleanupRun, WhatDisagreesWithThePlanOrCannotLeaveFailsAndCostsNoOtherFile) {
  // The restoring script keeps B, which the plan deletes: B stays set aside, and so does
  // everything else the script would have deleted.
  const std::vector<std::string> raws{"A.NEF", "B.NEF", "C.NEF"};
  const auto plan = MakeCleanup("/raw", raws, {"a.jpg"}, PlannedAction::Delete);
  const auto other = MakeCleanup("/raw", raws, {"a.jpg", "b.jpg"}, PlannedAction::Delete);
  MemoryCleanup run(raws);
  run.Run({plan.renaming, other.restoring}, Cleanup(plan.plan));
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.failures[0], HasSubstr("/raw/B.nbak: Not renamed: the cleanup's plan deletes it"));
  EXPECT_EQ(run.Files(), (Names{"A.NEF", "B.nbak", "C.nbak"}));
  CleanupRecord left;
  left.state = CleanupRecord::State::Finished;
  left.raws = {{PlannedAction::SetAside, "B.NEF", "B.nbak"}, {PlannedAction::SetAside, "C.NEF", "C.nbak"}};
  EXPECT_EQ(run.left, left);

  // A RAW file that cannot be deleted keeps its sidecar; a sidecar that cannot be deleted fails.
  auto refused = MakeCleanup("/raw", {"D.NEF", "E.NEF"}, {}, PlannedAction::Delete);
  refused.plan.sidecars = {{PlannedAction::Delete, "D.xmp", "D.NEF"}, {PlannedAction::Delete, "E.xmp", "E.NEF"}};
  MemoryCleanup second({"D.NEF", "D.xmp", "E.NEF", "E.xmp"});
  second.fs.Refuse(MemoryFileSystem::Operation::Unlink, "/raw/D.nbak", EACCES);
  second.fs.Refuse(MemoryFileSystem::Operation::Unlink, "/raw/E.xmp", EPERM);
  second.Run({refused.renaming, refused.restoring}, Cleanup(refused.plan));
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.Files(), (Names{"D.nbak", "D.xmp", "E.xmp"}));
  ASSERT_EQ(second.failures.size(), 2u);
  EXPECT_THAT(second.failures[1], HasSubstr("/raw/E.xmp: Access is denied."));
}

TEST(CleanupRun, ARecordGivesSetAsideFilesTheirNamesBackWhereTheNameIsFree) {
  CleanupRecord record;
  record.state = CleanupRecord::State::Finished;
  record.raws = {{PlannedAction::SetAside, "DSC_0001.NEF", "DSC_0001.nbak"},
                 {PlannedAction::SetAside, "Trip.Day1.Cr2", "Trip.Day1.cbak"},
                 {PlannedAction::SetAside, "X.NEF", "X.nbak"},
                 {PlannedAction::SetAside, "", "old.obak"}};
  MemoryCleanup run({"DSC_0001.nbak", "Trip.Day1.cbak", "X.nbak", "x.nef", "old.obak", "U.NBAK"});
  InterpreterOptions options;
  options.record = record;
  options.recordFolder = "/raw";
  run.Run({MakeCleanup("/raw", {}, {}, PlannedAction::SetAside).restoreAll}, std::move(options));
  // A name that is taken keeps its file set aside, and the record keeps its name.
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.Files(), (Names{"DSC_0001.NEF", "Trip.Day1.Cr2", "X.nbak", "x.nef", "old.orf", "U.nef"}));
  record.raws = {{PlannedAction::SetAside, "X.NEF", "X.nbak"}};
  EXPECT_EQ(run.left, record);
}

}  // namespace
}  // namespace shotsweep::batch

// The cleanup's rules, in memory: which files exist when the scripts start, in which order
// they are started, what the result says, and what is left behind. No real folder is needed:
// the folders are a MemoryFileSystem and the runner only records.

#include "cleanup/cleanup_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "fs/memory_file_system.h"
#include "settings/settings.h"
#include "tests/support/recording_runner.h"

namespace shotsweep {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using testing::RecordingRunner;
using Files = std::map<std::string, std::string>;
using Source = CleanupRequest::Source;

class CleanupCommand : public ::testing::Test {
 protected:
  CleanupCommand() {
    fs_.AddFolder("/raw");
    fs_.AddFolder("/jpg");
  }

  CleanupRequest Request(Source source = Source::JpgFolder, std::string list = {}) const {
    return CleanupRequest{source, raw_, "/jpg", std::move(list), keep_};
  }
  // As the window and the command line run a cleanup: planned, then carried out.
  void Run(const CleanupRequest& request) {
    result_ = CarryOutCleanup(PlanCleanup(request, settings_, fs_), settings_, runner_, fs_);
  }
  void ByFolder() { Run(Request()); }
  void ByList(const std::string& list) { Run(Request(Source::PhotoList, list)); }
  // For names no folder holds.
  void WithNames(const std::vector<std::string>& names) {
    result_ = RunCleanup(Request(), names, settings_, runner_, fs_);
  }
  std::string Raw(const std::string& name) const { return raw_ + "/" + name; }
  // The files of a folder with their content.
  Files FilesIn(const std::string& folder) {
    Files files;
    std::vector<DirEntry> entries;
    fs_.List(folder, entries);
    for (const DirEntry& e : entries) {
      if (!e.isDir) files[e.name] = fs_.Content(folder + "/" + e.name).value_or("");
    }
    return files;
  }
  // The result is one error; its text.
  std::string OnlyError() const {
    EXPECT_EQ(result_.errors.size(), 1u);
    EXPECT_FALSE(result_.done());
    return result_.errors.empty() ? std::string() : result_.errors[0].Text();
  }

  MemoryFileSystem fs_;
  std::string raw_ = "/raw";
  bool keep_ = true;
  Settings settings_;
  RecordingRunner runner_{fs_};
  CommandResult result_;
};

TEST_F(CleanupCommand, ByFolderWritesBothScriptsRunsThemInOrderAndReports) {
  fs_.AddFile("/jpg/DSC_0001.JPG");
  fs_.AddFile("/jpg/DSC_0003.jpg");
  fs_.AddFile("/raw/DSC_0001.NEF", "one");
  settings_.codePage = 852;
  settings_.deleteScripts = false;
  keep_ = false;

  ByFolder();

  const std::string header = "chcp 852\r\ncd " + raw_ + "\r\n";
  const std::string renaming = header + "ren " + Raw("*.nef") + " *.nbak\r\nren " + Raw("*.cr2") +
                               " *.cbak\r\nren " + Raw("*.crw") + " *.wbak\r\nren " + Raw("*.arw") +
                               " *.abak\r\nren " + Raw("*.orf") + " *.obak\r\n";
  // One run: the renaming script, then the restoring script, in one interpreter process.
  ASSERT_EQ(runner_.calls.size(), 1u);
  EXPECT_EQ(runner_.calls[0].request.scriptPath, Raw("rRAW.bat"));
  EXPECT_EQ(runner_.calls[0].request.thenScriptPath, Raw("RAWreverse.bat"));
  EXPECT_EQ(runner_.calls[0].request.workingDir, raw_);
  EXPECT_EQ(runner_.calls[0].request.style, WindowStyle::Hidden);
  // Everything is written, whole, before the first script starts.
  const auto& atStart = runner_.calls[0].files;
  EXPECT_EQ(atStart.at("rRAW.bat"), renaming);
  const std::string restoring = atStart.at("RAWreverse.bat");
  EXPECT_THAT(restoring, StartsWith(header + "ren " + Raw("DSC_0001.nbak") + " DSC_0001.nef\r\n"));
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_0003.obak") + " DSC_0003.orf\r\n"));
  EXPECT_THAT(restoring, ::testing::EndsWith("del " + Raw("*.obak") + "\r\n"));
  EXPECT_EQ(std::count(restoring.begin(), restoring.end(), '\n'), 2 + 10 + 5);
  EXPECT_THAT(atStart.at("RAWjpg.txt"), HasSubstr("/jpg/DSC_0003.jpg"));

  EXPECT_TRUE(result_.done());
  EXPECT_THAT(result_.errors, IsEmpty());
  // The pairing record is gone; with KillBat 0 the scripts stay.
  const auto after = FilesIn(raw_);
  EXPECT_FALSE(after.count("RAWjpg.txt"));
  EXPECT_TRUE(after.count("rRAW.bat") && after.count("RAWreverse.bat"));
}

TEST_F(CleanupCommand, KeepingWritesNoDeleteLines) {
  fs_.AddFile("/jpg/a.jpg");
  keep_ = true;
  ByFolder();
  EXPECT_THAT(runner_.calls.back().files.at("RAWreverse.bat"), ::testing::Not(HasSubstr("del ")));
}

TEST_F(CleanupCommand, ListsLongerThanSixteenBitsAreTakenWhole) {
  std::vector<std::string> many;
  for (int i = 0; i < 40000; ++i) many.push_back("DSC_" + std::to_string(i) + ".JPG");
  WithNames(many);
  ASSERT_EQ(runner_.calls.size(), 1u);
  const std::string restoring = runner_.calls[0].files.at("RAWreverse.bat");
  EXPECT_EQ(std::count(restoring.begin(), restoring.end(), '\n'), 2 + 5 * 40000);
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_39999.obak") + " DSC_39999.orf\r\n"));
}

TEST_F(CleanupCommand, KillBatOneDeletesOnlyTheTwoScripts) {
  fs_.AddFile("/raw/mine.bat", "keep");
  fs_.AddFile("/raw/notes.bak", "keep");
  settings_.deleteScripts = true;
  ByFolder();
  EXPECT_EQ(FilesIn(raw_), (Files{{"mine.bat", "keep"}, {"notes.bak", "keep"}}));

  settings_.deleteScripts = false;
  ByFolder();
  EXPECT_TRUE(FilesIn(raw_).count("rRAW.bat"));
}

TEST_F(CleanupCommand, AFailedRunIsReportedWithTheFolderStateInsteadOfOperationDone) {
  ScriptOutcome killed;
  killed.error = CommandError{4, "shotsweep-batch was ended by signal 9"};
  ScriptOutcome failedLines;
  failedLines.exitStatus = 1;
  failedLines.failures = {"RAWreverse.bat, line 3: " + Raw("a.nbak") + ": Access is denied.",
                          "RAWreverse.bat, line 18: " + Raw("*.nbak") + ": Nothing deleted: an earlier line failed"};
  settings_.deleteScripts = true;
  keep_ = false;
  fs_.AddFile("/raw/a.nbak", "left set aside");

  runner_.outcomes = {killed};
  ByFolder();
  EXPECT_THAT(OnlyError(), ::testing::AllOf(StartsWith("4 shotsweep-batch was ended by signal 9."),
                                            HasSubstr("1 file(s) in the RAW folder are set aside: a.nbak")));
  // The scripts stay for inspection, the pairing record does not.
  auto left = FilesIn(raw_);
  EXPECT_TRUE(left.count("rRAW.bat") && left.count("RAWreverse.bat"));
  EXPECT_FALSE(left.count("RAWjpg.txt"));

  runner_.outcomes = {failedLines};
  ByFolder();
  EXPECT_THAT(OnlyError(), ::testing::AllOf(StartsWith("5 Not every RAW file could be handled:\n"),
                                            HasSubstr(failedLines.failures[0] + "\n" + failedLines.failures[1]),
                                            HasSubstr("set aside: a.nbak"),
                                            HasSubstr("Nothing set aside was deleted")));
}

TEST_F(CleanupCommand, FilesOfItsOwnThatCannotBeTidiedAwayAreErrorsOnEitherSideOfDone) {
  settings_.deleteScripts = true;
  fs_.Refuse(MemoryFileSystem::Operation::Unlink, Raw("RAWjpg.txt"), EBUSY);
  fs_.Refuse(MemoryFileSystem::Operation::Unlink, Raw("rRAW.bat"), EPERM);
  ByFolder();
  EXPECT_TRUE(result_.done());
  ASSERT_EQ(result_.errors.size(), 2u);
  EXPECT_EQ(result_.errorsBeforeDone, 1u);
  EXPECT_THAT(result_.errors[0].Text(), HasSubstr("RAWjpg.txt"));
  EXPECT_THAT(result_.errors[1].Text(), HasSubstr("rRAW.bat"));
}

TEST_F(CleanupCommand, NamesThatCannotBeWrittenStopEverythingBeforeAFileIsWritten) {
  fs_.AddFile("/raw/a.nef");
  const auto before = FilesIn(raw_);
  WithNames({"ok.jpg", "bad\rname.jpg"});
  EXPECT_THAT(OnlyError(), ::testing::AllOf(StartsWith("22 "), HasSubstr("\"bad\\x0Dname.jpg\""),
                                            HasSubstr("control character")));
  EXPECT_THAT(runner_.calls, IsEmpty());
  EXPECT_EQ(FilesIn(raw_), before);

  // A RAW folder whose own path cannot be written.
  raw_ = "/say \"cheese\"";
  fs_.AddFolder(raw_);
  ByFolder();
  EXPECT_THAT(OnlyError(), HasSubstr("double quote"));
  EXPECT_THAT(FilesIn(raw_), IsEmpty());
}

TEST_F(CleanupCommand, NamesThatWouldClashWhenSetAsideStopTheCommand) {
  fs_.AddFile("/jpg/x.jpg");
  fs_.AddFile("/raw/X.nef", "upper");
  fs_.AddFile("/raw/x.NEF", "lower");
  fs_.AddFile("/raw/Y.nef", "fresh");
  fs_.AddFile("/raw/Y.nbak", "left from an earlier run");
  const auto before = FilesIn(raw_);
  ByFolder();
  EXPECT_THAT(OnlyError(), ::testing::AllOf(StartsWith("17 "), HasSubstr("X.nef and x.NEF"),
                                            HasSubstr("Y.nbak and Y.nef")));
  EXPECT_THAT(runner_.calls, IsEmpty());
  EXPECT_EQ(FilesIn(raw_), before);
}

TEST_F(CleanupCommand, ARawFolderThatCannotBeUsedTouchesNothing) {
  fs_.AddFile("/file", "plain");
  raw_ = "/file/raw";
  fs_.Refuse(MemoryFileSystem::Operation::List, raw_, ENOTDIR);
  ByFolder();
  EXPECT_THAT(OnlyError(), HasSubstr("Not a directory"));

  raw_ = "";
  ByFolder();
  EXPECT_THAT(OnlyError(), StartsWith("2 "));

  // One that can be read but not written to.
  raw_ = "/raw";
  fs_.Refuse(MemoryFileSystem::Operation::Access, raw_, EROFS);
  ByFolder();
  EXPECT_THAT(OnlyError(), StartsWith("30 "));
  EXPECT_THAT(runner_.calls, IsEmpty());
}

TEST_F(CleanupCommand, AFileThatCannotBeWrittenLeavesNoScriptBehind) {
  keep_ = false;
  // A folder standing where a script is to be written fails the write.
  for (const char* blocked : {"rRAW.bat", "RAWjpg.txt", "RAWreverse.bat"}) {
    SCOPED_TRACE(blocked);
    raw_ = std::string("/scratch-") + blocked;
    fs_.AddFile(Raw("a.nef"), "a");
    fs_.AddFolder(Raw(blocked));
    const auto before = FilesIn(raw_);
    ByFolder();
    EXPECT_THAT(OnlyError(), ::testing::AllOf(StartsWith("21 "), HasSubstr(blocked)));
    EXPECT_THAT(runner_.calls, IsEmpty());
    EXPECT_EQ(FilesIn(raw_), before);
  }
}

TEST_F(CleanupCommand, PhotoListIsReadWholeFirstAndItsLinesAreTheNames) {
  fs_.AddFile("/list.txt", "\xEF\xBB\xBF" "DSC_1.JPG\rDSC_2.jpg  \n\r\nfolder/DSC_3.jpg");
  settings_.deleteScripts = false;
  keep_ = false;
  ByList("/list.txt");
  ASSERT_EQ(runner_.calls.size(), 1u);
  const std::string restoring = runner_.calls[0].files.at("RAWreverse.bat");
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_1.nbak") + " DSC_1.nef\r\n"));
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_2.nbak") + " DSC_2.nef\r\n"));
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw(".nbak") + " .nef\r\n"));  // the empty line
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_3.nbak") + " DSC_3.nef\r\n"));
  EXPECT_TRUE(result_.done());
}

TEST_F(CleanupCommand, PhotoListThatCannotBeReadOrWrittenStopsTheCommand) {
  fs_.AddFile("/raw/a.nef", "a");
  fs_.AddFolder("/folder.txt");
  const auto before = FilesIn(raw_);
  ByList("/folder.txt");
  EXPECT_THAT(OnlyError(), StartsWith("21 Is a directory"));
  ByList("/missing.txt");
  EXPECT_THAT(OnlyError(), StartsWith("2 No such file or directory"));
  fs_.AddFile("/bad.txt", "fine.jpg\r\nna\"me.jpg\r\n");
  ByList("/bad.txt");
  EXPECT_THAT(OnlyError(), HasSubstr("Line 2 of the photo list \"na\"me.jpg\""));
  EXPECT_THAT(runner_.calls, IsEmpty());
  EXPECT_EQ(FilesIn(raw_), before);
}

TEST_F(CleanupCommand, CarryingOutUsesTheNamesThePlanWasMadeWith) {
  fs_.AddFile("/jpg/a.jpg");
  fs_.AddFile("/raw/a.nef", "a");
  fs_.AddFile("/raw/b.nef", "b");
  keep_ = false;
  const CleanupPlan plan = PlanCleanup(Request(), settings_, fs_);
  ASSERT_TRUE(plan.namesRead);
  EXPECT_EQ(plan.jpgNames, std::vector<std::string>{"a.jpg"});
  EXPECT_EQ(FormatPlan(plan), "keep\ta.nef\ta.nef\ndelete\tb.nef\t\n# 1 kept, 1 deleted, 0 set aside\n");
  // The planning changed nothing, and a JPG that arrives since does not count.
  EXPECT_EQ(FilesIn(raw_), (Files{{"a.nef", "a"}, {"b.nef", "b"}}));
  fs_.AddFile("/jpg/b.jpg");
  result_ = CarryOutCleanup(plan, settings_, runner_, fs_);
  EXPECT_THAT(runner_.calls.at(0).files.at("RAWreverse.bat"), ::testing::Not(HasSubstr("b.nbak")));

  // A plan whose names could not be read is carried out as that error, and runs nothing.
  fs_.Refuse(MemoryFileSystem::Operation::List, "/jpg", EIO);
  const CleanupPlan unread = PlanCleanup(Request(), settings_, fs_);
  EXPECT_FALSE(unread.namesRead);
  EXPECT_FALSE(unread.ran);
  result_ = CarryOutCleanup(unread, settings_, runner_, fs_);
  EXPECT_THAT(OnlyError(), StartsWith("5 The JPG folder cannot be read, so no RAW file can be matched"));
  EXPECT_EQ(runner_.calls.size(), 1u);
}

TEST_F(CleanupCommand, APlanEmptiesTheRawFolderOnlyWhenEveryRawFileWouldLeaveIt) {
  const auto plan = [&] { return PlanCleanup(Request(), settings_, fs_); };
  keep_ = false;
  EXPECT_FALSE(EmptiesRawFolder(plan()));  // nothing to lose
  fs_.AddFile("/raw/a.NEF");
  fs_.AddFile("/raw/b.cr2");
  fs_.AddFile("/raw/c.nbak");  // set aside by an earlier run: the delete step takes it too
  fs_.AddFile("/raw/notes.txt");
  EXPECT_TRUE(EmptiesRawFolder(plan()));
  EXPECT_EQ(EmptiesRawFolderText(plan()),
            "This cleanup would delete every RAW file in the folder /raw (3 files): not one has a JPG twin in the JPG "
            "folder /jpg.");
  settings_.trash = true;
  EXPECT_TRUE(EmptiesRawFolder(plan()));
  EXPECT_THAT(EmptiesRawFolderText(plan()), StartsWith("This cleanup would move every RAW file in the folder /raw to "
                                                       "the trash (3 files)"));
  keep_ = true;  // set aside, every one of them can be had back
  EXPECT_FALSE(EmptiesRawFolder(plan()));
  keep_ = false;
  fs_.AddFile("/jpg/b.jpg");  // one twin is enough
  EXPECT_FALSE(EmptiesRawFolder(plan()));

  settings_.trash = false;
  fs_.AddFile("/list.txt", "other.jpg\r\n");
  fs_.Unlink("/raw/b.cr2");
  fs_.Unlink("/raw/c.nbak");
  const CleanupPlan byList = PlanCleanup(Request(Source::PhotoList, "/list.txt"), settings_, fs_);
  EXPECT_TRUE(EmptiesRawFolder(byList));
  EXPECT_EQ(EmptiesRawFolderText(byList),
            "This cleanup would delete every RAW file in the folder /raw (1 file): its JPG is not named in the photo "
            "list /list.txt.");
}

}  // namespace
}  // namespace shotsweep

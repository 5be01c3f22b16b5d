// The two cleanup commands with a runner that only records: which files exist at each start,
// in which order the scripts are started, what the user is shown, and what is left behind.

#include "cleanup/cleanup_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/module1.h"
#include "tests/support/disk.h"
#include "tests/support/fake_window.h"
#include "tests/support/recording_runner.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::NameList;
using testing::ReadFile;
using testing::RecordingRunner;
using testing::ScriptedDialogs;
using testing::Snapshot;
using testing::TempFolder;

class CleanupCommand : public ::testing::Test {
 protected:
  CleanupCommand()
      : raw_(temp_.MakeDir("raw").string()),
        jpg_(temp_.MakeDir("jpg").string()),
        window_(raw_, jpg_) {}

  CommandContext Context() { return CommandContext{module_, window_, dialogs_, runner_, testing::TestDisk()}; }
  void ByFolder() {
    auto ctx = Context();
    DeleteUnmatchedByJpgFolder(ctx);
  }
  void ByList(std::optional<std::string> answer) {
    dialogs_.openAnswers.push_back(std::move(answer));
    auto ctx = Context();
    DeleteUnmatchedByPhotoList(ctx);
  }
  std::string Raw(const std::string& name) const { return raw_ + "/" + name; }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const auto& m : dialogs_.messages) titles.push_back(m.title);
    return titles;
  }
  // The only message is one error box; its text.
  std::string OnlyError() const {
    EXPECT_EQ(dialogs_.messages.size(), 1u);
    if (dialogs_.messages.empty()) return {};
    EXPECT_EQ(dialogs_.messages[0].title, "Error");
    EXPECT_EQ(dialogs_.messages[0].icon, MessageIcon::Critical);
    return dialogs_.messages[0].text;
  }

  TempFolder temp_;
  std::string raw_;
  std::string jpg_;
  testing::FakeWindow window_;
  Module1 module_;
  ScriptedDialogs dialogs_;
  RecordingRunner runner_;
};

TEST_F(CleanupCommand, ByFolderWritesBothScriptsRunsThemInOrderAndReports) {
  temp_.Write("jpg/DSC_0001.JPG");
  temp_.Write("jpg/DSC_0003.jpg");
  temp_.Write("raw/DSC_0001.NEF", "one");
  module_.settings.RAWCodePage = 852;
  module_.settings.KillBat = 0;
  window_.bak = 0;

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
  // Everything is on disk, whole, before the first script starts.
  const auto& atStart = runner_.calls[0].files;
  EXPECT_EQ(atStart.at("rRAW.bat"), renaming);
  const std::string restoring = atStart.at("RAWreverse.bat");
  EXPECT_THAT(restoring, ::testing::StartsWith(header + "ren " + Raw("DSC_0001.nbak") + " DSC_0001.nef\r\n"));
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_0003.obak") + " DSC_0003.orf\r\n"));
  EXPECT_THAT(restoring, ::testing::EndsWith("del " + Raw("*.obak") + "\r\n"));
  EXPECT_EQ(std::count(restoring.begin(), restoring.end(), '\n'), 2 + 10 + 5);
  EXPECT_THAT(atStart.at("RAWjpg.txt"), HasSubstr(jpg_ + "/DSC_0003.jpg"));

  EXPECT_EQ(module_.RawFolder, raw_ + "/");
  EXPECT_EQ(module_.JpgFolder, jpg_ + "/");
  EXPECT_EQ(window_.jpgList.ListIndex(), 1);  // the selection stays on the last entry
  EXPECT_EQ(window_.jpgList.refreshes, 1);
  EXPECT_EQ(window_.rawList.refreshes, 1);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, "Operation done");
  EXPECT_EQ(dialogs_.messages[0].title, "RAW files deleted/renamed");
  EXPECT_EQ(dialogs_.messages[0].icon, MessageIcon::Information);
  // The pairing record is gone; with KillBat 0 the scripts stay.
  const auto after = Snapshot(raw_);
  EXPECT_FALSE(after.count("RAWjpg.txt"));
  EXPECT_TRUE(after.count("rRAW.bat") && after.count("RAWreverse.bat"));
}

TEST_F(CleanupCommand, BakTickedOrGrayedWritesNoDeleteLines) {
  temp_.Write("jpg/a.jpg");
  for (int bak : {1, 2}) {
    window_.bak = bak;
    ByFolder();
    const std::string restoring = runner_.calls.back().files.at("RAWreverse.bat");
    EXPECT_THAT(restoring, ::testing::Not(HasSubstr("del "))) << bak;
  }
}

TEST_F(CleanupCommand, ListsLongerThanSixteenBitsAreTakenWhole) {
  std::vector<std::string> many;
  for (int i = 0; i < 40000; ++i) many.push_back("DSC_" + std::to_string(i) + ".JPG");
  NameList names(many);
  window_.file2 = &names;
  ByFolder();
  ASSERT_EQ(runner_.calls.size(), 1u);
  const std::string restoring = runner_.calls[0].files.at("RAWreverse.bat");
  EXPECT_EQ(std::count(restoring.begin(), restoring.end(), '\n'), 2 + 5 * 40000);
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_39999.obak") + " DSC_39999.orf\r\n"));
}

TEST_F(CleanupCommand, KillBatOneDeletesOnlyTheTwoScripts) {
  temp_.Write("raw/mine.bat", "keep");
  temp_.Write("raw/notes.bak", "keep");
  module_.settings.KillBat = 1;
  ByFolder();
  EXPECT_EQ(Snapshot(raw_), (std::map<std::string, std::string>{{"mine.bat", "keep"}, {"notes.bak", "keep"}}));

  for (int killBat : {2, -1}) {
    module_.settings.KillBat = static_cast<std::int16_t>(killBat);
    ByFolder();
    EXPECT_TRUE(Snapshot(raw_).count("rRAW.bat")) << killBat;
  }
}

TEST_F(CleanupCommand, AFailedRunIsReportedWithTheFolderStateInsteadOfOperationDone) {
  ScriptOutcome killed;
  killed.error = CommandError{4, "shotsweep-batch was ended by signal 9"};
  ScriptOutcome failedLines;
  failedLines.exitStatus = 1;
  failedLines.failures = {"RAWreverse.bat, line 3: " + Raw("a.nbak") + ": Access is denied.",
                          "RAWreverse.bat, line 18: " + Raw("*.nbak") + ": Nothing deleted: an earlier line failed"};
  module_.settings.KillBat = 1;
  window_.bak = 0;
  temp_.Write("raw/a.nbak", "left set aside");

  runner_.outcomes = {killed};
  ByFolder();
  EXPECT_THAT(OnlyError(), ::testing::AllOf(::testing::StartsWith("4 shotsweep-batch was ended by signal 9."),
                                            HasSubstr("1 file(s) in the RAW folder are set aside: a.nbak")));
  // The scripts stay for inspection, the pairing record does not.
  auto left = Snapshot(raw_);
  EXPECT_TRUE(left.count("rRAW.bat") && left.count("RAWreverse.bat"));
  EXPECT_FALSE(left.count("RAWjpg.txt"));

  dialogs_.messages.clear();
  runner_.outcomes = {failedLines};
  ByFolder();
  EXPECT_THAT(OnlyError(), ::testing::AllOf(::testing::StartsWith("5 Not every RAW file could be handled:\n"),
                                            HasSubstr(failedLines.failures[0] + "\n" + failedLines.failures[1]),
                                            HasSubstr("set aside: a.nbak"),
                                            HasSubstr("Nothing set aside was deleted")));
  EXPECT_EQ(window_.rawList.refreshes, 2);  // the RAW list shows what the scripts did
}

TEST_F(CleanupCommand, NamesThatCannotBeWrittenStopEverythingBeforeAFileIsWritten) {
  temp_.Write("raw/a.nef");
  const auto before = Snapshot(raw_);
  NameList names({"ok.jpg", "bad\rname.jpg"});
  window_.file2 = &names;
  ByFolder();
  EXPECT_THAT(OnlyError(), ::testing::AllOf(::testing::StartsWith("22 "), HasSubstr("\"bad\\x0Dname.jpg\""),
                                            HasSubstr("control character")));
  EXPECT_THAT(runner_.calls, IsEmpty());
  EXPECT_EQ(Snapshot(raw_), before);

  // A RAW folder whose own path cannot be written.
  dialogs_.messages.clear();
  window_.file2 = &window_.jpgList;
  window_.dir1 = temp_.MakeDir("say \"cheese\"").string();
  ByFolder();
  EXPECT_THAT(OnlyError(), HasSubstr("double quote"));
  EXPECT_THAT(Snapshot(window_.dir1), IsEmpty());
}

TEST_F(CleanupCommand, NamesThatWouldClashWhenSetAsideStopTheCommand) {
  temp_.Write("jpg/x.jpg");
  temp_.Write("raw/X.nef", "upper");
  temp_.Write("raw/x.NEF", "lower");
  temp_.Write("raw/Y.nef", "fresh");
  temp_.Write("raw/Y.nbak", "left from an earlier run");
  const auto before = Snapshot(raw_);
  ByFolder();
  EXPECT_THAT(OnlyError(), ::testing::AllOf(::testing::StartsWith("17 "), HasSubstr("X.nef and x.NEF"),
                                            HasSubstr("Y.nbak and Y.nef")));
  EXPECT_THAT(runner_.calls, IsEmpty());
  EXPECT_EQ(Snapshot(raw_), before);
}

TEST_F(CleanupCommand, ARawFolderThatCannotBeUsedTouchesNothing) {
  // Tests run as root, so permissions stop nothing: a folder below a regular file cannot be
  // read or written by anyone.
  temp_.Write("file", "plain");
  window_.dir1 = (temp_.path() / "file" / "raw").string();
  ByFolder();
  EXPECT_THAT(OnlyError(), HasSubstr("Not a directory"));
  EXPECT_THAT(runner_.calls, IsEmpty());

  dialogs_.messages.clear();
  window_.dir1 = "";
  ByFolder();
  EXPECT_THAT(OnlyError(), ::testing::StartsWith("2 "));
  EXPECT_THAT(runner_.calls, IsEmpty());
}

TEST_F(CleanupCommand, AFileThatCannotBeWrittenLeavesNoScriptBehind) {
  temp_.Write("raw/a.nef", "a");
  // A folder standing where a script is to be written fails the write, even for root.
  for (const char* blocked : {"rRAW.bat", "RAWjpg.txt", "RAWreverse.bat"}) {
    SCOPED_TRACE(blocked);
    TempFolder scratch;
    const std::string raw = scratch.MakeDir(std::string("raw/") + blocked).parent_path().string();
    scratch.Write("raw/a.nef", "a");
    const auto before = Snapshot(raw);
    window_.dir1 = raw;
    dialogs_.messages.clear();
    runner_.calls.clear();
    window_.bak = 0;
    ByFolder();
    EXPECT_THAT(OnlyError(), ::testing::AllOf(::testing::StartsWith("21 "), HasSubstr(blocked)));
    EXPECT_THAT(runner_.calls, IsEmpty());
    EXPECT_EQ(Snapshot(raw), before);
  }
}

TEST_F(CleanupCommand, PhotoListDialogAndTheChecksThatEndSilently) {
  temp_.Write("raw/a.nef", "a");
  const auto before = Snapshot(temp_.path());
  for (std::optional<std::string> answer : std::initializer_list<std::optional<std::string>>{
           std::nullopt, std::string("/a.t"), std::string("*.txt"), std::string("*/x/list.txt"), std::string("")}) {
    ByList(answer);
  }
  ASSERT_EQ(dialogs_.openRequests.size(), 5u);
  const OpenFileRequest& request = dialogs_.openRequests[0];
  EXPECT_EQ(request.DialogTitle, "Otevřít seznam souborů v .txt (photo_file_list.txt)");
  EXPECT_EQ(request.DefaultExt, "*.txt");
  EXPECT_EQ(request.FileName, "photo_file_list.txt");
  EXPECT_EQ(request.Filter, "File list (*.txt)|*.txt|");
  EXPECT_TRUE(request.CancelError);
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_THAT(runner_.calls, IsEmpty());
  EXPECT_EQ(window_.jpgList.refreshes, 0);
  EXPECT_EQ(module_.RawFolder, "");
  EXPECT_EQ(Snapshot(temp_.path()), before);

  // Five characters are enough, counted as characters: "/ž.tx" is six bytes but five.
  ByList(std::string("/ž.tx"));
  EXPECT_THAT(OnlyError(), HasSubstr("/ž.tx"));
}

TEST_F(CleanupCommand, PhotoListIsReadWholeFirstAndItsLinesAreTheNames) {
  temp_.Write("list.txt", "\xEF\xBB\xBF" "DSC_1.JPG\rDSC_2.jpg  \n\r\nfolder/DSC_3.jpg");
  module_.settings.KillBat = 0;
  window_.bak = 0;
  ByList(temp_.str() + "/list.txt");
  ASSERT_EQ(runner_.calls.size(), 1u);
  const std::string restoring = runner_.calls[0].files.at("RAWreverse.bat");
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_1.nbak") + " DSC_1.nef\r\n"));
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_2.nbak") + " DSC_2.nef\r\n"));
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw(".nbak") + " .nef\r\n"));  // the empty line
  EXPECT_THAT(restoring, HasSubstr("ren " + Raw("DSC_3.nbak") + " DSC_3.nef\r\n"));
  EXPECT_EQ(window_.jpgList.refreshes, 1);
  EXPECT_EQ(window_.jpgList.ListIndex(), -1);  // File2 is refreshed, not walked
  EXPECT_EQ(Titles(), std::vector<std::string>{"RAW files deleted/renamed"});
}

TEST_F(CleanupCommand, PhotoListThatCannotBeReadOrWrittenStopsTheCommand) {
  temp_.Write("raw/a.nef", "a");
  temp_.MakeDir("folder.txt");
  const auto before = Snapshot(temp_.path());
  ByList(temp_.str() + "/folder.txt");
  EXPECT_THAT(OnlyError(), ::testing::StartsWith("21 Is a directory"));
  dialogs_.messages.clear();
  ByList(temp_.str() + "/missing.txt");
  EXPECT_THAT(OnlyError(), ::testing::StartsWith("2 No such file or directory"));
  dialogs_.messages.clear();
  temp_.Write("bad.txt", "fine.jpg\r\nna\"me.jpg\r\n");
  ByList(temp_.str() + "/bad.txt");
  EXPECT_THAT(OnlyError(), HasSubstr("Line 2 of the photo list \"na\"me.jpg\""));
  EXPECT_THAT(runner_.calls, IsEmpty());
  std::filesystem::remove(temp_.path() / "bad.txt");
  EXPECT_EQ(Snapshot(temp_.path()), before);
}

}  // namespace
}  // namespace shotsweep

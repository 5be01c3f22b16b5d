#include "extraction/extraction_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <map>

#include <sys/stat.h>

#include "extraction/tool_lookup.h"
#include "settings/settings.h"
#include "tests/support/disk.h"
#include "tests/support/recording_runner.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RecordingRunner;
using testing::Snapshot;
using testing::TempFolder;

// PATH for the length of one test.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& value) {
    if (const char* old = std::getenv("PATH")) old_ = old;
    ::setenv("PATH", value.c_str(), 1);
  }
  ~ScopedPath() { old_ ? ::setenv("PATH", old_->c_str(), 1) : ::unsetenv("PATH"); }

 private:
  std::optional<std::string> old_;
};

// A start folder holding both tools, a RAW folder and a JPG folder.
struct Shoot {
  TempFolder root;
  std::string start = root.MakeDir("tools").string();
  std::string raw = root.MakeDir("RAW").string();
  std::string jpg = root.MakeDir("JPG").string();
  Settings settings;
  bool exif = false;
  RecordingRunner runner{testing::TestDisk()};
  CommandResult result;
  ScopedPath path{""};

  Shoot() {
    root.WriteProgram("tools/exiv2");
    root.WriteProgram("tools/exiftool");
  }
  void Run() {
    extraction = ExtractPreviews({raw, jpg, start, exif}, settings, runner, testing::TestDisk());
    result = extraction.command;
  }
  // The result is one error; its text.
  std::string OnlyError() const {
    EXPECT_EQ(result.errors.size(), 1u);
    EXPECT_FALSE(result.done());
    EXPECT_FALSE(extraction.AllWell());
    return result.errors.empty() ? std::string() : result.errors[0].Text();
  }
  ExtractionResult extraction;
};

TEST(FindTool, StartFolderFirstThenAbsolutePathEntries) {
  TempFolder t;
  const std::string start = t.MakeDir("start").string();
  const std::string bin1 = t.MakeDir("bin1").string();
  const std::string bin2 = t.MakeDir("bin2").string();
  t.WriteProgram("bin2/exiv2");
  t.Write("bin1/exiv2", "not executable");
  const std::string path = "relative:" + bin1 + ":" + bin2 + "/";
  EXPECT_EQ(FindTool(testing::TestDisk(), start, "exiv2", path), bin2 + "/exiv2");
  EXPECT_EQ(FindTool(testing::TestDisk(), start, "exiftool", path), std::nullopt);

  t.WriteProgram("start/exiv2.exe");
  EXPECT_EQ(FindTool(testing::TestDisk(), start, "exiv2", path), start + "/exiv2.exe");
  t.WriteProgram("start/exiv2");
  EXPECT_EQ(FindTool(testing::TestDisk(), start, "exiv2", path), start + "/exiv2");

  // A folder in the current folder is never taken from an empty or relative entry.
  t.MakeDir("start/bin");
  t.WriteProgram("start/bin/exiftool");
  std::error_code ec;
  const fs::path before = fs::current_path();
  fs::current_path(start);
  EXPECT_EQ(FindTool(testing::TestDisk(), bin1, "exiftool", "bin::"), std::nullopt);
  fs::current_path(before, ec);
}

TEST(ExtractPreviews, WritesTheScriptThenRunsItInTheWindowAndReports) {
  Shoot s;
  s.root.Write("RAW/DSC_0001.NEF");
  s.root.Write("RAW/notes.txt");
  s.settings.codePage = 1250;
  s.exif = true;
  // The previews' folder is there, empty, while the script runs, and gone afterwards.
  std::string previewFolder;
  s.runner.duringNextRun = [&] {
    for (const auto& entry : fs::directory_iterator(s.start)) {
      if (entry.is_directory()) previewFolder = entry.path().string();
    }
    ASSERT_FALSE(previewFolder.empty());
    EXPECT_TRUE(fs::is_empty(previewFolder));
    s.root.Write(fs::relative(previewFolder, s.root.path()).string() + "/DSC_0001-preview2.jpg", "left by a run cut short");
  };
  s.Run();

  ASSERT_EQ(s.runner.calls.size(), 1u);
  const ScriptRequest& request = s.runner.calls[0].request;
  EXPECT_EQ(request.scriptPath, s.start + "/Extr.bat");
  EXPECT_EQ(request.workingDir, s.start);
  EXPECT_EQ(request.style, WindowStyle::NormalWithFocus);
  EXPECT_EQ(request.title, "Extracting previews");
  EXPECT_GE(request.jobs, 1u);
  EXPECT_FALSE(fs::exists(previewFolder));

  const std::string& text = s.runner.calls[0].files.at("Extr.bat");
  EXPECT_EQ(text.rfind("chcp 1250\r\n", 0), 0u) << text;
  EXPECT_NE(text.find(s.start + "/exiv2 -pv " + s.raw + "/DSC_0001.NEF >" + s.jpg + "/DSC_0001.txt\r\n"),
            std::string::npos) << text;
  EXPECT_NE(text.find("if exist " + previewFolder + "/DSC_0001-preview*.jpg " + s.start +
                      "/exiftool -overwrite_original -all= "),
            std::string::npos) << text;
  EXPECT_EQ(text.find("notes"), std::string::npos);

  EXPECT_TRUE(s.result.done());
  EXPECT_TRUE(s.result.errors.empty());
  // The runner ran nothing: the file is told as not done, and that is no success.
  ASSERT_EQ(s.extraction.rows.size(), 1u);
  EXPECT_EQ(s.extraction.rows[0].outcome, ExtractionRow::Outcome::NotReached);
  EXPECT_FALSE(s.extraction.AllWell());
}

TEST(ExtractPreviews, ARawFileWhoseJpgIsThereOrThatSharesItsNameGetsNoBlock) {
  Shoot s;
  for (const char* name : {"RAW/A.nef", "RAW/B.cr2", "RAW/C.nef", "RAW/C.cr2", "RAW/D.orf", "RAW/E.arw"}) {
    s.root.Write(name);
  }
  s.root.Write("JPG/a.JPEG", "the camera's own");
  s.root.Write("JPG/B.jpe", "the camera's own");
  ASSERT_EQ(::mkfifo((s.jpg + "/D.jpg").c_str(), 0600), 0);
  s.Run();
  ASSERT_EQ(s.runner.calls.size(), 1u);
  const std::string& text = s.runner.calls[0].files.at("Extr.bat");
  // Of the pair, the first in the list's order gets the JPG.
  for (const char* name : {"/A.nef", "/B.cr2", "/C.nef", "/D.orf"}) {
    EXPECT_EQ(text.find(s.raw + name), std::string::npos) << name << "\n" << text;
  }
  EXPECT_NE(text.find(s.raw + "/C.cr2"), std::string::npos);
  EXPECT_NE(text.find(s.raw + "/E.arw"), std::string::npos);
  EXPECT_EQ(ReadFile(s.jpg + "/a.JPEG"), "the camera's own");

  std::map<std::string, std::string> reasons;
  for (const ExtractionRow& row : s.extraction.rows) reasons[row.rawName] = row.reason;
  EXPECT_EQ(reasons["A.nef"], "already had a JPG");
  EXPECT_EQ(reasons["B.cr2"], "already had a JPG");
  EXPECT_EQ(reasons["C.nef"], "same name as C.cr2");
  EXPECT_EQ(reasons["D.orf"], "D.jpg in the JPG folder is not a file");
  EXPECT_EQ(s.extraction.counts.had, 2u);
}

TEST(ExtractPreviews, WorkersComeFromJobsThenTheSettingThenTheProcessors) {
  EXPECT_EQ(ExtractionJobs(3, 1), 3u);
  EXPECT_EQ(ExtractionJobs(0, 1), 1u);
  EXPECT_EQ(ExtractionJobs(0, 5000), 256u);  // the interpreter takes no more
  EXPECT_GE(ExtractionJobs(0, 0), 1u);
  EXPECT_EQ(ExtractionJobs(0, -2), ExtractionJobs(0, 0));

  Shoot s;
  s.settings.extractionJobs = 1;
  s.Run();
  ASSERT_EQ(s.runner.calls.size(), 1u);
  EXPECT_EQ(s.runner.calls[0].request.jobs, 1u);
}

TEST(ExtractPreviews, EmptyRawFolderStillRunsTheScript) {
  Shoot s;
  s.Run();
  ASSERT_EQ(s.runner.calls.size(), 1u);
  EXPECT_EQ(s.runner.calls[0].files.at("Extr.bat"), "chcp 0\r\n");
  EXPECT_TRUE(s.result.done());
  EXPECT_TRUE(s.extraction.AllWell());  // no RAW file lacks its JPG
}

TEST(ExtractPreviews, MissingToolChangesNothing) {
  for (const char* tool : {"exiv2", "exiftool"}) {
    Shoot s;
    fs::remove(s.start + "/" + tool);
    s.root.Write("RAW/DSC_0001.NEF");
    const auto before = Snapshot(s.root.path());
    s.Run();
    EXPECT_TRUE(s.runner.calls.empty());
    EXPECT_EQ(Snapshot(s.root.path()), before) << tool;
    EXPECT_NE(s.OnlyError().find(tool), std::string::npos);
  }
}

TEST(ExtractPreviews, NothingIsStartedUnlessTheScriptWasWrittenWhole) {
  Shoot s;
  // A folder where the script belongs: it cannot be created, even by root.
  s.root.MakeDir("tools/Extr.bat");
  s.Run();
  EXPECT_TRUE(s.runner.calls.empty());
  EXPECT_NE(s.OnlyError().find("Extr.bat"), std::string::npos);

  // A name that would break its script line stops the command before anything is written;
  // an earlier script is left as it was and not started.
  Shoot t;
  t.root.Write("tools/Extr.bat", "old");
  t.root.Write("RAW/bad\nname.nef");
  t.Run();
  EXPECT_TRUE(t.runner.calls.empty());
  EXPECT_EQ(ReadFile(t.start + "/Extr.bat"), "old");
  const std::string refusal = t.OnlyError();
  EXPECT_EQ(refusal.rfind("22 The RAW file", 0), 0u) << refusal;
}

TEST(ExtractPreviews, AFolderThatCannotBeReadIsAnErrorNotAnEmptyRun) {
  Shoot s;
  s.raw = s.root.path().string() + "/no such RAW";
  s.Run();
  EXPECT_TRUE(s.runner.calls.empty());
  EXPECT_NE(s.OnlyError().find("no such RAW"), std::string::npos);

  Shoot t;
  t.root.Write("RAW/A.nef");
  t.jpg = t.root.path().string() + "/no such JPG";
  t.Run();
  EXPECT_TRUE(t.runner.calls.empty());
  EXPECT_NE(t.OnlyError().find("no such JPG"), std::string::npos);
}

TEST(ExtractPreviews, AScriptThatDidNotRunIsNoSuccess) {
  Shoot s;
  s.runner.outcomes.push_back({CommandError{2, "No such file or directory: shotsweep-batch"}, 0, ""});
  s.Run();
  EXPECT_EQ(s.OnlyError(), "2 No such file or directory: shotsweep-batch");

  Shoot t;
  t.runner.outcomes.push_back({std::nullopt, 1, ""});
  t.Run();
  t.OnlyError();
}

}  // namespace
}  // namespace shotsweep

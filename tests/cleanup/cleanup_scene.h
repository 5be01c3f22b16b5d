#pragma once
// Two folders and the real interpreter: the scene of a cleanup end to end.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "cleanup/cleanup_plan.h"
#include "base/cleanup_record.h"
#include "base/file_names.h"
#include "fs/folder_listing.h"
#include "platform/posix_script_runner.h"
#include "settings/settings.h"
#include "tests/support/disk.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::testing {

using Files = std::map<std::string, std::string>;

// Two folders and the real interpreter. Every file gets its own name as content, so a file
// can be followed through renames. A cleanup runs as the window and the command line run it:
// planned, then carried out.
struct Scene {
  explicit Scene(const std::string& rawName = "raw", const std::string& jpgName = "jpg")
      : raw(temp.MakeDir(rawName).string()), jpg(temp.MakeDir(jpgName).string()) {
    settings.deleteScripts = true;
  }
  void Raw(std::initializer_list<std::string> names) {
    for (const auto& name : names) temp.Write(std::filesystem::relative(raw, temp.path()) / name, name);
  }
  void Jpg(std::initializer_list<std::string> names) {
    for (const auto& name : names) temp.Write(std::filesystem::relative(jpg, temp.path()) / name, name);
  }
  CleanupRequest Request(CleanupRequest::Source source = CleanupRequest::Source::JpgFolder,
                         std::string list = {}) const {
    return CleanupRequest{source, raw, jpg, std::move(list), keep};
  }
  void Run(const CleanupRequest& request, ScriptRunner& with) {
    result = CarryOutCleanup(PlanCleanup(request, settings, TestDisk()), settings, with, TestDisk());
  }
  void ByFolder() { Run(Request(), runner); }
  void ByList(const std::string& listBytes) {
    const std::filesystem::path list = temp.Write("photo_file_list.txt", listBytes);
    Run(Request(CleanupRequest::Source::PhotoList, list.string()), runner);
  }
  // The RAW folder's files, the cleanup record left out: see Record().
  Files RawFiles() const {
    Files files = Snapshot(raw);
    files.erase(std::string(kCleanupRecordName));
    return files;
  }
  // The cleanup record in the RAW folder; nullopt when there is none.
  std::optional<std::string> Record() const {
    const Files files = Snapshot(raw);
    const auto it = files.find(std::string(kCleanupRecordName));
    return it == files.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  // After a failed run the scripts stay for inspection; what else is there.
  Files RawFilesButScripts() const {
    Files files = RawFiles();
    for (const char* ours : {"rRAW.bat", "RAWreverse.bat", "RAWjpg.txt"}) files.erase(ours);
    return files;
  }
  // What the RAW pane lists now.
  std::size_t RawListed() const {
    return ListMatchingFiles(TestDisk(), raw, NamePatterns(RawListPattern(settings.extraRawKinds))).names.size();
  }
  // Files named after their original name, as the end state of a run expects them.
  static Files Expect(std::initializer_list<std::pair<std::string, std::string>> renamed) {
    return Files(renamed.begin(), renamed.end());
  }
  // The result is one error; its text.
  std::string OnlyError() const {
    EXPECT_EQ(result.errors.size(), 1u);
    EXPECT_FALSE(result.done());
    return result.errors.empty() ? std::string() : result.errors[0].Text();
  }
  void ExpectDone() const {
    ASSERT_TRUE(result.errors.empty()) << result.errors[0].Text();
    EXPECT_TRUE(result.done());
  }

  TempFolder temp;
  std::string raw;
  std::string jpg;
  bool keep = true;
  Settings settings;
  PosixScriptRunner runner;
  CommandResult result;
};

}  // namespace shotsweep::testing

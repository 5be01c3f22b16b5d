#pragma once
// Two folders, the window over them, the real interpreter: the scene of a cleanup end to end.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "cleanup/cleanup_commands.h"
#include "platform/posix_script_runner.h"
#include "settings/module1.h"
#include "tests/support/disk.h"
#include "tests/support/fake_window.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::testing {

using Files = std::map<std::string, std::string>;

// Two folders, the window over them, and the real interpreter. Every file gets its own name
// as content, so a file can be followed through renames.
struct Scene {
  explicit Scene(const std::string& rawName = "raw", const std::string& jpgName = "jpg")
      : raw(temp.MakeDir(rawName).string()),
        jpg(temp.MakeDir(jpgName).string()),
        window(raw, jpg) {
    module.settings.KillBat = 1;
  }
  void Raw(std::initializer_list<std::string> names) {
    for (const auto& name : names) temp.Write(std::filesystem::relative(raw, temp.path()) / name, name);
  }
  void Jpg(std::initializer_list<std::string> names) {
    for (const auto& name : names) temp.Write(std::filesystem::relative(jpg, temp.path()) / name, name);
  }
  void ByFolder() {
    CommandContext ctx{module, window, dialogs, runner, testing::TestDisk()};
    DeleteUnmatchedByJpgFolder(ctx);
  }
  void ByList(const std::string& listBytes) {
    const std::filesystem::path list = temp.Write("photo_file_list.txt", listBytes);
    dialogs.openAnswers.push_back(list.string());
    CommandContext ctx{module, window, dialogs, runner, testing::TestDisk()};
    DeleteUnmatchedByPhotoList(ctx);
  }
  Files RawFiles() const { return Snapshot(raw); }
  // After a failed run the scripts stay for inspection; what else is there.
  Files RawFilesButScripts() const {
    Files files = RawFiles();
    for (const char* ours : {"rRAW.bat", "RAWreverse.bat", "RAWjpg.txt"}) files.erase(ours);
    return files;
  }
  // Files named after their original name, as the end state of a run expects them.
  static Files Expect(std::initializer_list<std::pair<std::string, std::string>> renamed) {
    return Files(renamed.begin(), renamed.end());
  }
  // The only message: an error box; its text.
  std::string OnlyError() const {
    EXPECT_EQ(dialogs.messages.size(), 1u);
    if (dialogs.messages.empty()) return {};
    EXPECT_EQ(dialogs.messages[0].title, "Error");
    return dialogs.messages[0].text;
  }
  void ExpectDone() const {
    ASSERT_EQ(dialogs.messages.size(), 1u) << (dialogs.messages.empty() ? "" : dialogs.messages[0].text);
    EXPECT_EQ(dialogs.messages[0].text, "Operation done");
    EXPECT_EQ(dialogs.messages[0].title, "RAW files deleted/renamed");
  }

  TempFolder temp;
  std::string raw;
  std::string jpg;
  FakeWindow window;
  Module1 module;
  ScriptedDialogs dialogs;
  PosixScriptRunner runner;
};

}  // namespace shotsweep::testing

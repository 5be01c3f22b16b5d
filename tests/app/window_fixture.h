#pragma once
// What the window tests share: made-up drives, a runner that records instead of running, and
// a start folder of their own that is the process's current folder while a test runs.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "panes/file_list.h"
#include "platform/qt/drives.h"
#include "tests/support/disk.h"
#include "tests/support/fake_drives.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/recording_runner.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::testing {

// Each test gets a scratch folder; "start" in it is the current folder, and the drives are
// the root plus two made-up drives below the scratch folder: "card" (mounted, a folder) and
// "empty" (a drive whose mount point is missing, as a reader without a card).
class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  // Builds the window; start-up has run when it returns. `other` replaces the recording runner.
  MainWindow& Open(ScriptRunner* other = nullptr, const std::string& startFolder = {});
  // Finds a control by its name.
  template <typename W>
  W* Control(const char* name) {
    W* widget = window->findChild<W*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::string Start() const { return (scratch.path() / "start").string(); }
  std::string Card() const { return (scratch.path() / "card").string(); }
  std::string Empty() const { return (scratch.path() / "empty").string(); }
  std::string CardDrive() const { return Card() + " [NIKON D90]"; }
  std::string EmptyDrive() const { return Empty() + " [sdc1]"; }
  std::string SavedPairText() const;
  // The four lines the saved pair file would hold for these values.
  static std::string PairText(const std::string& rawDrive, const std::string& rawFolder,
                              const std::string& jpgDrive, const std::string& jpgFolder);

  TempFolder scratch;
  FakeDrives drives;
  ScriptedDialogs dialogs;
  RecordingRunner runner{TestDisk()};
  std::unique_ptr<MainWindow> window;

 private:
  std::filesystem::path previous_;
};

// The entries of a file list, in order.
std::vector<std::string> Names(FileList& list);

}  // namespace shotsweep::testing

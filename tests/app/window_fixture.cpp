#include "tests/app/window_fixture.h"

#include "settings/saved_pair.h"

namespace shotsweep::testing {

WindowTest::WindowTest() : previous_(std::filesystem::current_path()) {
  scratch.MakeDir("start");
  scratch.MakeDir("card");
  drives.drives = {{"/", "/ [sda1]"}, {Card(), CardDrive()}, {Empty(), EmptyDrive()}};
  std::filesystem::current_path(Start());
}

WindowTest::~WindowTest() {
  window.reset();
  std::filesystem::current_path(previous_);
}

MainWindow& WindowTest::Open(ScriptRunner* other, const std::string& startFolder) {
  window = std::make_unique<MainWindow>(TestDisk(), dialogs, other ? *other : runner, drives, nullptr, startFolder);
  return *window;
}

std::string WindowTest::SavedPairText() const {
  return ReadFile(SavedPairPath(Start()));
}

std::string WindowTest::PairText(const std::string& rawDrive, const std::string& rawFolder,
                                 const std::string& jpgDrive, const std::string& jpgFolder) {
  return rawDrive + "\r\n" + rawFolder + "\r\n" + jpgDrive + "\r\n" + jpgFolder + "\r\n";
}

std::vector<std::string> Names(FileList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.ListCount(); ++i) names.push_back(list.List(i));
  return names;
}

}  // namespace shotsweep::testing

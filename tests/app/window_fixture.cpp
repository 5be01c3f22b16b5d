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

MainFrm& WindowTest::Open(ScriptRunner* other, const std::string& startFolder) {
  window = std::make_unique<MainFrm>(TestDisk(), dialogs, other ? *other : runner, drives, nullptr, startFolder);
  return *window;
}

std::string WindowTest::SavedPairText() const {
  return ReadFile(SavedPairPath(Start()));
}

std::string WindowTest::PairText(const std::string& drive1, const std::string& dir1,
                                 const std::string& drive2, const std::string& dir2) {
  return drive1 + "\r\n" + dir1 + "\r\n" + drive2 + "\r\n" + dir2 + "\r\n";
}

std::vector<std::string> Names(FileList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.ListCount(); ++i) names.push_back(list.List(i));
  return names;
}

}  // namespace shotsweep::testing

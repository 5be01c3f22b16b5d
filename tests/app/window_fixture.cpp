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

MainFrm& WindowTest::Open() {
  window = std::make_unique<MainFrm>(dialogs, runner, drives);
  return *window;
}

std::string WindowTest::SavedPairText() const {
  return ReadFile(SavedPairPath(Start()));
}

}  // namespace shotsweep::testing

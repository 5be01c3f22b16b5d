// Writes the window as a PNG into the build folder (screenshots/mainfrm.png), so anyone can
// see what it looks like without a desktop.
#include <QDir>
#include <QPixmap>
#include <QTest>

#include "panes/file_list.h"
#include "tests/app/window_fixture.h"

namespace shotsweep::testing {
namespace {

class Screenshot : public WindowTest {};

TEST_F(Screenshot, WindowIsWrittenAsPng) {
  const std::string shoot = "start/Photos/2025-06 Tatra";
  for (int i = 1; i <= 24; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "DSC_%04d", 4100 + i);
    scratch.Write(shoot + "/RAW/" + name + ".NEF");
    if (i % 3 != 0) scratch.Write(shoot + "/JPG/" + name + ".JPG");
  }
  for (const char* name : {"RAW/rejected", "JPG/best of", "JPG/web"}) scratch.MakeDir(shoot + "/" + name);
  scratch.Write("start/ShotsweepDirs.dat", PairText("/ [sda1]", Start() + "/Photos/2025-06 Tatra/RAW", "/ [sda1]",
                                                     Start() + "/Photos/2025-06 Tatra/JPG"));

  MainWindow& frame = Open();
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  // The file lists fill when their folders have been read, a moment after the window shows.
  for (const char* name : {"rawFiles", "jpgFiles"}) {
    FileList* list = Control<FileList>(name);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list->IsReading(); }, 5000)) << name;
  }
  ASSERT_EQ(Control<FileList>("rawFiles")->model()->rowCount(), 24);
  ASSERT_EQ(Control<FileList>("jpgFiles")->model()->rowCount(), 16);
  const QString folder = QStringLiteral(SHOTSWEEP_SCREENSHOT_DIR);
  ASSERT_TRUE(QDir().mkpath(folder));
  const QPixmap shot = frame.grab();
  EXPECT_EQ(shot.deviceIndependentSize().toSize(), frame.size());
  EXPECT_TRUE(shot.save(folder + "/mainfrm.png", "PNG"));
}

}  // namespace
}  // namespace shotsweep::testing

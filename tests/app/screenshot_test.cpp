// Writes the window as a PNG into the build folder (screenshots/mainfrm.png), so anyone can
// see what it looks like without a desktop.
#include <QDir>
#include <QPixmap>
#include <QTest>

#include "tests/app/window_fixture.h"

namespace shotsweep::testing {
namespace {

class Screenshot : public WindowTest {};

TEST_F(Screenshot, WindowIsWrittenAsPng) {
  for (const char* name : {"DSC_0001.NEF", "DSC_0002.NEF", "DSC_0003.NEF", "DSC_0004.NEF",
                           "IMG_0107.CR2", "IMG_0108.CR2", "P1010001.ORF"})
    scratch.Write(std::string("start/RAW/") + name);
  for (const char* name : {"DSC_0001.JPG", "DSC_0003.JPG", "IMG_0108.JPG", "P1010001.JPG"})
    scratch.Write(std::string("start/JPG/") + name);
  for (const char* name : {"RAW/2024 Tatra trip", "RAW/2025 Wedding", "JPG/selected"})
    scratch.MakeDir(std::string("start/") + name);
  scratch.Write("start/ShotsweepDirs.dat", "/ [sda1]\r\n" + Start() + "/RAW\r\n/ [sda1]\r\n" + Start() + "/JPG\r\n");

  MainFrm& frame = Open();
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  const QString folder = QStringLiteral(SHOTSWEEP_SCREENSHOT_DIR);
  ASSERT_TRUE(QDir().mkpath(folder));
  const QPixmap shot = frame.grab();
  EXPECT_EQ(shot.deviceIndependentSize().toSize(), frame.size());
  EXPECT_TRUE(shot.save(folder + "/mainfrm.png", "PNG"));
}

}  // namespace
}  // namespace shotsweep::testing

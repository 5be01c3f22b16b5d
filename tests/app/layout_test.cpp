// What the window shows before anyone touches it: controls, places, texts, order, pictures.
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "tests/app/window_fixture.h"

namespace shotsweep::testing {
namespace {


class Layout : public WindowTest {};

struct Place {
  const char* name;
  const char* container;
  int left, top, width, height;  // in twips
};

constexpr Place kPlaces[] = {
    {"rawPane", "client", 120, 90, 7845, 6255},          {"rawDrives", "rawPane", 240, 390, 4215, 315},
    {"exifBox", "rawPane", 4560, 480, 1515, 195},           {"rawCopyPathButton", "rawPane", 6240, 360, 1365, 315},
    {"rawFolders", "rawPane", 210, 750, 4245, 5265},           {"rawFiles", "rawPane", 4500, 750, 3135, 5355},
    {"rawRefreshButton", "rawPane", 7260, 5730, 555, 495},     {"jpgPane", "client", 8070, 90, 7845, 6255},
    {"jpgDrives", "jpgPane", 240, 390, 3585, 315},          {"newFolderButton", "jpgPane", 3840, 240, 615, 495},
    {"jpgCopyPathButton", "jpgPane", 6240, 360, 1365, 315},       {"jpgFolders", "jpgPane", 210, 750, 4245, 5265},
    {"jpgFiles", "jpgPane", 4500, 750, 3135, 5355},         {"jpgRefreshButton", "jpgPane", 7260, 5730, 555, 495},
    {"aboutLabel", "client", 150, 6480, 6465, 705},         {"deleteByFolderButton", "client", 6900, 6420, 2625, 885},
    {"setAsideBox", "client", 6900, 7410, 2625, 225},           {"deleteByListButton", "client", 9570, 6420, 2625, 885},
    {"exitButton", "client", 14160, 6420, 1785, 975},
};

TEST_F(Layout, EveryControlStandsWhereTheLayoutPutsItAtFifteenTwipsAPixel) {
  MainWindow& frame = Open();
  for (const Place& place : kPlaces) {
    SCOPED_TRACE(place.name);
    QWidget* control = Control<QWidget>(place.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget()->objectName(), place.container);
    EXPECT_EQ(control->geometry(), QRect(place.left / 15, place.top / 15, place.width / 15, place.height / 15));
  }
  // The client area, 16050 x 7845 twips, lies below the menu bar; the window has one size.
  QWidget* client = frame.centralWidget();
  EXPECT_EQ(client->size(), QSize(1070, 523));
  EXPECT_GE(client->y(), frame.menuBar()->height());
  EXPECT_EQ(frame.minimumSize(), frame.maximumSize());
  EXPECT_FALSE(frame.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(frame.windowFlags() & Qt::WindowCloseButtonHint);

  // The refresh buttons are drawn over the lower right corner of their file lists.
  for (auto [button, list] : {std::pair{"rawRefreshButton", "rawFiles"}, std::pair{"jpgRefreshButton", "jpgFiles"}}) {
    QWidget* refresh = Control<QWidget>(button);
    const QRect overlap = refresh->geometry() & Control<QWidget>(list)->geometry();
    EXPECT_EQ(overlap.size(), QSize(25, 25));
    EXPECT_EQ(refresh->parentWidget()->childAt(overlap.center()), refresh);
  }
}

TEST_F(Layout, FocusStartsOnTheRawFilesAndFollowsTheTabIndexes) {
  MainWindow& frame = Open();
  const std::vector<QString> order = {"rawFiles",     "rawDrives",   "rawFolders",     "jpgFolders",       "jpgDrives",     "jpgFiles",
                                      "jpgCopyPathButton",  "rawCopyPathButton", "exitButton",  "deleteByFolderButton",  "setAsideBox",        "newFolderButton",
                                      "exifBox",      "rawRefreshButton", "jpgRefreshButton", "deleteByListButton"};
  EXPECT_EQ(frame.focusWidget(), Control<QWidget>("rawFiles"));
  std::vector<QString> seen;
  QWidget* widget = Control<QWidget>("rawFiles");
  do {
    if (std::find(order.begin(), order.end(), widget->objectName()) != order.end() &&
        (widget->focusPolicy() & Qt::TabFocus))
      seen.push_back(widget->objectName());
    widget = widget->nextInFocusChain();
  } while (widget != Control<QWidget>("rawFiles"));
  EXPECT_EQ(seen, order);
  for (const char* name : {"rawPane", "jpgPane", "aboutLabel"})
    EXPECT_FALSE(Control<QWidget>(name)->focusPolicy() & Qt::TabFocus) << name;
}

TEST_F(Layout, CaptionsTooltipsAndStartStates) {
  MainWindow& frame = Open();
  EXPECT_EQ(frame.windowTitle(), "Delete RAW files according to missing JPG files  ver: 1.8");
  EXPECT_EQ(Control<QGroupBox>("rawPane")->title(), "RAW files to delete");
  EXPECT_EQ(Control<QGroupBox>("jpgPane")->title(), "JPG files");

  const std::tuple<const char*, const char*, const char*> buttons[] = {
      {"rawCopyPathButton", "path ->", "Copy Path to right side"},
      {"jpgCopyPathButton", "<- path", "Copy Path to left side"},
      {"rawRefreshButton", "", "Refresh Filelist"},
      {"jpgRefreshButton", "", "Refresh Filelist"},
      {"newFolderButton", "", "Create Folder"},
      {"deleteByFolderButton", "Delete unmatched RAW files by JPG Folder", ""},
      {"deleteByListButton", "Delete unmatched RAW files based on File list form .TXT file",
       ".txt file is just simple list of jpgs, produced by ShotRoster.bat"},
      {"exitButton", "Exit", ""},
  };
  for (auto [name, text, tip] : buttons) {
    QPushButton* button = Control<QPushButton>(name);
    EXPECT_EQ(button->text(), text) << name;
    EXPECT_EQ(button->toolTip(), tip) << name;
  }
  for (const char* name : {"rawPane", "jpgPane", "rawDrives", "rawFolders", "rawFiles", "exifBox", "aboutLabel", "setAsideBox"})
    EXPECT_EQ(Control<QWidget>(name)->toolTip(), "") << name;

  EXPECT_EQ(Control<QCheckBox>("exifBox")->text(), "Export EXIF data");
  EXPECT_FALSE(Control<QCheckBox>("exifBox")->isChecked());
  EXPECT_EQ(Control<QCheckBox>("setAsideBox")->text(), "Just rename extension to .bak");
  EXPECT_TRUE(Control<QCheckBox>("setAsideBox")->isChecked());
  EXPECT_EQ(frame.KeepTicked(), true);
  EXPECT_EQ(frame.ExifTicked(), false);

  QLabel* about = Control<QLabel>("aboutLabel");
  EXPECT_TRUE(about->wordWrap());
  const QStringList lines = about->text().split('\n');
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "This utility helps when DSLR shoots into RAW and JPG and photographer wants to delete "
                      "those RAW files which he deleted before from JPG files to make both sides synchronised.");
  EXPECT_FALSE(lines[1].isEmpty());

  // "Export" first and as it always was, then the menu of what a cleanup would do, then Help;
  // each with its mnemonic.
  const QList<QAction*> bar = frame.menuBar()->actions();
  ASSERT_EQ(bar.size(), 3);
  QMenu* exportMenu = bar[0]->menu();
  ASSERT_NE(exportMenu, nullptr);
  EXPECT_EQ(exportMenu->objectName(), "exportMenu");
  EXPECT_EQ(exportMenu->title(), "&Export");
  ASSERT_EQ(exportMenu->actions().size(), 1);
  EXPECT_EQ(exportMenu->actions()[0]->objectName(), "extractAction");
  EXPECT_EQ(exportMenu->actions()[0]->text(), "Extract Preview Image(.jpg) from RAW to JPG folder");
  ASSERT_NE(bar[1]->menu(), nullptr);
  EXPECT_EQ(bar[1]->menu()->title(), "&Cleanup");
  ASSERT_NE(bar[2]->menu(), nullptr);
  EXPECT_EQ(bar[2]->menu()->title(), "&Help");
  EXPECT_EQ(Control<QAction>("preferencesAction")->shortcut(), QKeySequence("Ctrl+,"));
  EXPECT_EQ(Control<QAction>("quitAction")->shortcut(), QKeySequence("Ctrl+Q"));
  EXPECT_TRUE(frame.actions().contains(Control<QAction>("quitAction")));
  // The trash mode is a switch, off without Trash=1.
  EXPECT_TRUE(Control<QAction>("trashAction")->isEnabled());
  EXPECT_FALSE(Control<QAction>("trashAction")->isChecked());
  // The trash note shows only with Trash=1.
  EXPECT_FALSE(Control<QLabel>("trashNote")->isVisibleTo(&frame));
}

TEST_F(Layout, PicturesHaveTheirSizesAndEveryCaptionFitsItsControl) {
  MainWindow& frame = Open();
  EXPECT_TRUE(frame.windowIcon().availableSizes().contains(QSize(16, 16)));
  const std::pair<const char*, int> pictures[] = {{"deleteByFolderButton", 25},  {"deleteByListButton", 25}, {"exitButton", 38},
                                                  {"rawRefreshButton", 24}, {"jpgRefreshButton", 24},    {"newFolderButton", 24}};
  for (auto [name, size] : pictures) {
    QPushButton* button = Control<QPushButton>(name);
    EXPECT_FALSE(button->icon().isNull()) << name;
    EXPECT_EQ(button->iconSize(), QSize(size, size)) << name;
  }
  EXPECT_EQ(Control<QPushButton>("deleteByFolderButton")->icon().cacheKey(),
            Control<QPushButton>("deleteByListButton")->icon().cacheKey());
  EXPECT_EQ(Control<QPushButton>("rawRefreshButton")->icon().cacheKey(),
            Control<QPushButton>("jpgRefreshButton")->icon().cacheKey());
  EXPECT_TRUE(Control<QPushButton>("rawCopyPathButton")->icon().isNull());
  EXPECT_TRUE(Control<QPushButton>("jpgCopyPathButton")->icon().isNull());

  // Nothing is cut off, whatever font the desktop offers.
  for (const char* name : {"exifBox", "setAsideBox"}) {
    QCheckBox* box = Control<QCheckBox>(name);
    EXPECT_LE(box->sizeHint().width(), box->width()) << name;
  }
  QLabel* about = Control<QLabel>("aboutLabel");
  EXPECT_LE(about->heightForWidth(about->width()), about->height());
}

// Whether some pixel of the widget's picture is close to `colour`; text is drawn smoothed, so
// few of its pixels have the colour exactly.
bool Shows(QWidget* widget, QColor colour) {
  const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
              std::abs(pixel.blue() - colour.blue()) < 60)
        return true;
    }
  }
  return false;
}

TEST_F(Layout, OnlyTheFrameCaptionsAreColoured) {
  Open();
  const QColor red(192, 0, 0), blue(0, 0, 192);
  EXPECT_TRUE(Shows(Control<QWidget>("rawPane"), red));
  EXPECT_FALSE(Shows(Control<QWidget>("rawPane"), blue));
  EXPECT_TRUE(Shows(Control<QWidget>("jpgPane"), blue));
  EXPECT_FALSE(Shows(Control<QWidget>("jpgPane"), red));
  EXPECT_FALSE(Shows(Control<QWidget>("exifBox"), red));
}

}  // namespace
}  // namespace shotsweep::testing

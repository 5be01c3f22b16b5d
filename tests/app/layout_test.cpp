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
    {"Frame1", "client", 120, 90, 7845, 6255},          {"Drive1", "Frame1", 240, 390, 4215, 315},
    {"EXIF", "Frame1", 4560, 480, 1515, 195},           {"Cpypath1", "Frame1", 6240, 360, 1365, 315},
    {"Dir1", "Frame1", 210, 750, 4245, 5265},           {"File1", "Frame1", 4500, 750, 3135, 5355},
    {"RefreshBtn", "Frame1", 7260, 5730, 555, 495},     {"Frame2", "client", 8070, 90, 7845, 6255},
    {"Drive2", "Frame2", 240, 390, 3585, 315},          {"CrDirBtn", "Frame2", 3840, 240, 615, 495},
    {"CpyPath2", "Frame2", 6240, 360, 1365, 315},       {"Dir2", "Frame2", 210, 750, 4245, 5265},
    {"File2", "Frame2", 4500, 750, 3135, 5355},         {"RefreshBtn2", "Frame2", 7260, 5730, 555, 495},
    {"Label1", "client", 150, 6480, 6465, 705},         {"DelRAWBtn", "client", 6900, 6420, 2625, 885},
    {"Bak", "client", 6900, 7410, 2625, 225},           {"DelRAWbyTXTBtn", "client", 9570, 6420, 2625, 885},
    {"Exitbtn", "client", 14160, 6420, 1785, 975},
};

TEST_F(Layout, EveryControlStandsWhereTheLayoutPutsItAtFifteenTwipsAPixel) {
  MainFrm& frame = Open();
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
  for (auto [button, list] : {std::pair{"RefreshBtn", "File1"}, std::pair{"RefreshBtn2", "File2"}}) {
    QWidget* refresh = Control<QWidget>(button);
    const QRect overlap = refresh->geometry() & Control<QWidget>(list)->geometry();
    EXPECT_EQ(overlap.size(), QSize(25, 25));
    EXPECT_EQ(refresh->parentWidget()->childAt(overlap.center()), refresh);
  }
}

TEST_F(Layout, FocusStartsOnFile1AndFollowsTheTabIndexes) {
  MainFrm& frame = Open();
  const std::vector<QString> order = {"File1",     "Drive1",   "Dir1",     "Dir2",       "Drive2",     "File2",
                                      "CpyPath2",  "Cpypath1", "Exitbtn",  "DelRAWBtn",  "Bak",        "CrDirBtn",
                                      "EXIF",      "RefreshBtn", "RefreshBtn2", "DelRAWbyTXTBtn"};
  EXPECT_EQ(frame.focusWidget(), Control<QWidget>("File1"));
  std::vector<QString> seen;
  QWidget* widget = Control<QWidget>("File1");
  do {
    if (std::find(order.begin(), order.end(), widget->objectName()) != order.end() &&
        (widget->focusPolicy() & Qt::TabFocus))
      seen.push_back(widget->objectName());
    widget = widget->nextInFocusChain();
  } while (widget != Control<QWidget>("File1"));
  EXPECT_EQ(seen, order);
  for (const char* name : {"Frame1", "Frame2", "Label1"})
    EXPECT_FALSE(Control<QWidget>(name)->focusPolicy() & Qt::TabFocus) << name;
}

TEST_F(Layout, CaptionsTooltipsAndStartStates) {
  MainFrm& frame = Open();
  EXPECT_EQ(frame.windowTitle(), "Delete RAW files according to missing JPG files  ver: 1.8");
  EXPECT_EQ(Control<QGroupBox>("Frame1")->title(), "RAW files to delete");
  EXPECT_EQ(Control<QGroupBox>("Frame2")->title(), "JPG files");

  const std::tuple<const char*, const char*, const char*> buttons[] = {
      {"Cpypath1", "path ->", "Copy Path to right side"},
      {"CpyPath2", "<- path", "Copy Path to left side"},
      {"RefreshBtn", "", "Refresh Filelist"},
      {"RefreshBtn2", "", "Refresh Filelist"},
      {"CrDirBtn", "", "Create Folder"},
      {"DelRAWBtn", "Delete unmatched RAW files by JPG Folder", ""},
      {"DelRAWbyTXTBtn", "Delete unmatched RAW files based on File list form .TXT file",
       ".txt file is just simple list of jpgs, produced by ShotRoster.bat"},
      {"Exitbtn", "Exit", ""},
  };
  for (auto [name, text, tip] : buttons) {
    QPushButton* button = Control<QPushButton>(name);
    EXPECT_EQ(button->text(), text) << name;
    EXPECT_EQ(button->toolTip(), tip) << name;
  }
  for (const char* name : {"Frame1", "Frame2", "Drive1", "Dir1", "File1", "EXIF", "Label1", "Bak"})
    EXPECT_EQ(Control<QWidget>(name)->toolTip(), "") << name;

  EXPECT_EQ(Control<QCheckBox>("EXIF")->text(), "Export EXIF data");
  EXPECT_FALSE(Control<QCheckBox>("EXIF")->isChecked());
  EXPECT_EQ(Control<QCheckBox>("Bak")->text(), "Just rename extension to .bak");
  EXPECT_TRUE(Control<QCheckBox>("Bak")->isChecked());
  EXPECT_EQ(frame.KeepTicked(), true);
  EXPECT_EQ(frame.ExifTicked(), false);

  QLabel* about = Control<QLabel>("Label1");
  EXPECT_TRUE(about->wordWrap());
  const QStringList lines = about->text().split('\n');
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "This utility helps when DSLR shoots into RAW and JPG and photographer wants to delete "
                      "those RAW files which he deleted before from JPG files to make both sides synchronised.");
  EXPECT_FALSE(lines[1].isEmpty());

  // "Export" first and as it always was, then the menu of what a cleanup would do.
  const QList<QAction*> bar = frame.menuBar()->actions();
  ASSERT_EQ(bar.size(), 2);
  QMenu* exportMenu = bar[0]->menu();
  ASSERT_NE(exportMenu, nullptr);
  EXPECT_EQ(exportMenu->objectName(), "ExportMnu");
  EXPECT_EQ(exportMenu->title(), "Export");
  ASSERT_EQ(exportMenu->actions().size(), 1);
  EXPECT_EQ(exportMenu->actions()[0]->objectName(), "Extract4_Mnu");
  EXPECT_EQ(exportMenu->actions()[0]->text(), "Extract Preview Image(.jpg) from RAW to JPG folder");
  ASSERT_NE(bar[1]->menu(), nullptr);
  EXPECT_EQ(bar[1]->menu()->title(), "Cleanup");
  // The trash note shows only with Trash=1.
  EXPECT_FALSE(Control<QLabel>("TrashNote")->isVisibleTo(&frame));
}

TEST_F(Layout, PicturesHaveTheirSizesAndEveryCaptionFitsItsControl) {
  MainFrm& frame = Open();
  EXPECT_TRUE(frame.windowIcon().availableSizes().contains(QSize(16, 16)));
  const std::pair<const char*, int> pictures[] = {{"DelRAWBtn", 25},  {"DelRAWbyTXTBtn", 25}, {"Exitbtn", 38},
                                                  {"RefreshBtn", 24}, {"RefreshBtn2", 24},    {"CrDirBtn", 24}};
  for (auto [name, size] : pictures) {
    QPushButton* button = Control<QPushButton>(name);
    EXPECT_FALSE(button->icon().isNull()) << name;
    EXPECT_EQ(button->iconSize(), QSize(size, size)) << name;
  }
  EXPECT_EQ(Control<QPushButton>("DelRAWBtn")->icon().cacheKey(),
            Control<QPushButton>("DelRAWbyTXTBtn")->icon().cacheKey());
  EXPECT_EQ(Control<QPushButton>("RefreshBtn")->icon().cacheKey(),
            Control<QPushButton>("RefreshBtn2")->icon().cacheKey());
  EXPECT_TRUE(Control<QPushButton>("Cpypath1")->icon().isNull());
  EXPECT_TRUE(Control<QPushButton>("CpyPath2")->icon().isNull());

  // Nothing is cut off, whatever font the desktop offers.
  for (const char* name : {"EXIF", "Bak"}) {
    QCheckBox* box = Control<QCheckBox>(name);
    EXPECT_LE(box->sizeHint().width(), box->width()) << name;
  }
  QLabel* about = Control<QLabel>("Label1");
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
  EXPECT_TRUE(Shows(Control<QWidget>("Frame1"), red));
  EXPECT_FALSE(Shows(Control<QWidget>("Frame1"), blue));
  EXPECT_TRUE(Shows(Control<QWidget>("Frame2"), blue));
  EXPECT_FALSE(Shows(Control<QWidget>("Frame2"), red));
  EXPECT_FALSE(Shows(Control<QWidget>("EXIF"), red));
}

}  // namespace
}  // namespace shotsweep::testing

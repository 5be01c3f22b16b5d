#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <algorithm>
#include <exception>

#include "app/photo_list_dialog.h"
#include "app/preview_dialog.h"
#include "cleanup/cleanup_plan.h"
#include "app/picture_button.h"
#include "app/pictures.h"
#include "base/file_names.h"
#include "cleanup/cleanup_commands.h"
#include "panes/drive_list.h"
#include "panes/file_list.h"
#include "panes/folder_list.h"
#include "panes/pane_handlers.h"
#include "platform/qt/drives.h"
#include "base/errors.h"
#include "platform/qt/local_path.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_script_runner.h"
#include "preview/extraction_command.h"
#include "settings/saved_pair.h"
#include "settings/settings_reader.h"

namespace shotsweep {
namespace {

constexpr const char* kCaption = "Delete RAW files according to missing JPG files";
constexpr const char* kAboutText =
    "This utility helps when DSLR shoots into RAW and JPG and photographer wants to delete those "
    "RAW files which he deleted before from JPG files to make both sides synchronised.";
constexpr const char* kCredit = "Shotsweep " SHOTSWEEP_VERSION_MAJOR "." SHOTSWEEP_VERSION_MINOR
                                ", free software (GNU GPL), for photographers who shoot RAW + JPG.";
constexpr std::string_view kRawPatternAtCreation = "*.nef;*.cr*";
constexpr std::string_view kJpgPattern = kJpgListPattern;
constexpr const char* kPreviewByFolder = "Preview cleanup by JPG folder";
constexpr const char* kPreviewByList = "Preview cleanup by photo list";

// The layout was drawn in twips; 15 of them make one device-independent pixel, so the window
// keeps its proportions on high-density screens without any arithmetic of ours.
QRect Twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

// A frame whose caption has a colour of its own; the controls inside keep the default.
class CaptionFrame : public QGroupBox {
 public:
  CaptionFrame(const QString& caption, QColor colour, QWidget* parent)
      : QGroupBox(caption, parent), colour_(colour) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    // Some styles take the caption's colour from the option, others from the palette.
    option.textColor = colour_;
    option.palette.setColor(QPalette::WindowText, colour_);
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
  }

 private:
  QColor colour_;
};

template <typename W>
W* Named(W* widget, const char* name, QRect geometry) {
  widget->setObjectName(name);
  widget->setGeometry(geometry);
  return widget;
}

QPushButton* PictureOnly(const QIcon& picture, const char* tooltip, QWidget* parent) {
  auto* button = new QPushButton(picture, QString(), parent);
  button->setIconSize(QSize(24, 24));
  button->setToolTip(tooltip);
  return button;
}

}  // namespace

MainFrm::MainFrm(FileSystem& fs, std::string startFolder, QWidget* parent)
    : MainFrm(fs, nullptr, nullptr, nullptr, parent, std::move(startFolder)) {}

MainFrm::MainFrm(FileSystem& fs, Dialogs& dialogs, ScriptRunner& runner, DriveSource& drives, QWidget* parent,
                 std::string startFolder)
    : MainFrm(fs, &dialogs, &runner, &drives, parent, std::move(startFolder)) {}

MainFrm::MainFrm(FileSystem& fs, Dialogs* dialogs, ScriptRunner* runner, DriveSource* drives, QWidget* parent,
                 std::string startFolder)
    : QMainWindow(parent), fs_(fs), givenStartFolder_(std::move(startFolder)), dialogs_(dialogs), runner_(runner) {
  if (!dialogs_) {
    ownDialogs_ = std::make_unique<QtDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  if (!runner_) {
    ownRunner_ = std::make_unique<QtScriptRunner>(this);
    runner_ = ownRunner_.get();
  }
  if (!drives) {
    ownDrives_ = std::make_unique<SystemDrives>();
    drives = ownDrives_.get();
  }
  drives_ = std::make_unique<DriveTable>(*drives);

  CreateControls();
  SetTabOrder();
  PlaceOnCurrentFolder();
  ConnectHandlers();
  Form_Load();
}

MainFrm::~MainFrm() = default;

void MainFrm::CreateControls() {
  setObjectName("MainFrm");
  setWindowTitle(kCaption);
  // The installed theme's icon when there is one, so the window matches its menu entry. Its
  // dialogs, the window's children, show it too.
  setWindowIcon(QIcon::fromTheme("io.github.shotsweep.Shotsweep", WindowPicture()));
  // One fixed size, no minimise or maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);

  const auto item = [](QMenu* menu, const QString& text, const char* name) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
  };
  ui_.ExportMnu = menuBar()->addMenu("Export");
  ui_.ExportMnu->setObjectName("ExportMnu");
  ui_.Extract4_Mnu = item(ui_.ExportMnu, "Extract Preview Image(.jpg) from RAW to JPG folder", "Extract4_Mnu");
  ui_.Extract4_Mnu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  // What a cleanup would do, seen before it is done; and the way back for what it set aside.
  ui_.CleanupMnu = menuBar()->addMenu("Cleanup");
  ui_.CleanupMnu->setObjectName("CleanupMnu");
  ui_.PreviewByFolderMnu = item(ui_.CleanupMnu, QString(kPreviewByFolder) + "\u2026", "PreviewByFolderMnu");
  ui_.PreviewByListMnu = item(ui_.CleanupMnu, QString(kPreviewByList) + "\u2026", "PreviewByListMnu");
  ui_.CleanupMnu->addSeparator();
  ui_.RestoreMnu = item(ui_.CleanupMnu, "Restore set-aside RAW files", "RestoreMnu");
  ui_.TrashMnu = item(ui_.CleanupMnu, "Deleted RAW files go to the trash (Trash=1)", "TrashMnu");
  ui_.TrashMnu->setCheckable(true);
  ui_.TrashMnu->setChecked(true);
  ui_.TrashMnu->setEnabled(false);
  ui_.TrashMnu->setVisible(false);

  // The client area lies below the menu bar.
  auto* client = new QWidget(this);
  client->setObjectName("client");
  client->setFixedSize(Twips(0, 0, 16050, 7845).size());
  setCentralWidget(client);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  ui_.Frame1 = Named(new CaptionFrame("RAW files to delete", QColor(192, 0, 0), client), "Frame1",
                     Twips(120, 90, 7845, 6255));
  ui_.Frame2 = Named(new CaptionFrame("JPG files", QColor(0, 0, 192), client), "Frame2",
                     Twips(8070, 90, 7845, 6255));

  QWidget* left = ui_.Frame1;
  ui_.Drive1 = Named(new DriveList(*drives_, left), "Drive1", Twips(240, 390, 4215, 315));
  ui_.EXIF = Named(new QCheckBox("Export EXIF data", left), "EXIF", Twips(4560, 480, 1515, 195));
  ui_.Cpypath1 = Named(new QPushButton("path ->", left), "Cpypath1", Twips(6240, 360, 1365, 315));
  ui_.Cpypath1->setToolTip("Copy Path to right side");
  ui_.Dir1 = Named(new FolderList(fs_, left), "Dir1", Twips(210, 750, 4245, 5265));
  ui_.File1 = Named(new FileList(fs_, left), "File1", Twips(4500, 750, 3135, 5355));
  // Created after the file list, so drawn above its lower right corner.
  const QIcon refresh = RefreshPicture();
  ui_.RefreshBtn = Named(PictureOnly(refresh, "Refresh Filelist", left), "RefreshBtn",
                         Twips(7260, 5730, 555, 495));

  QWidget* right = ui_.Frame2;
  ui_.Drive2 = Named(new DriveList(*drives_, right), "Drive2", Twips(240, 390, 3585, 315));
  ui_.CrDirBtn = Named(PictureOnly(NewFolderPicture(), "Create Folder", right), "CrDirBtn",
                       Twips(3840, 240, 615, 495));
  ui_.CpyPath2 = Named(new QPushButton("<- path", right), "CpyPath2", Twips(6240, 360, 1365, 315));
  ui_.CpyPath2->setToolTip("Copy Path to left side");
  ui_.Dir2 = Named(new FolderList(fs_, right), "Dir2", Twips(210, 750, 4245, 5265));
  ui_.File2 = Named(new FileList(fs_, right), "File2", Twips(4500, 750, 3135, 5355));
  ui_.RefreshBtn2 = Named(PictureOnly(refresh, "Refresh Filelist", right), "RefreshBtn2",
                          Twips(7260, 5730, 555, 495));

  ui_.Label1 = Named(new QLabel(QString("%1\n%2").arg(kAboutText, kCredit), client), "Label1",
                     Twips(150, 6480, 6465, 705));
  ui_.Label1->setWordWrap(true);
  ui_.Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const QIcon cleanup = CleanupPicture();
  ui_.DelRAWBtn = Named(new PictureButton(cleanup, QSize(25, 25), "Delete unmatched RAW files by JPG Folder", client),
                        "DelRAWBtn", Twips(6900, 6420, 2625, 885));
  ui_.Bak = Named(new QCheckBox("Just rename extension to .bak", client), "Bak", Twips(6900, 7410, 2625, 225));
  ui_.Bak->setChecked(true);
  // Shown only with Trash=1, under the other cleanup button: where deleted RAW files go.
  ui_.TrashNote = Named(new QLabel("Deleted files go to the trash", client), "TrashNote", Twips(9570, 7410, 2625, 225));
  ui_.TrashNote->setVisible(false);
  ui_.DelRAWbyTXTBtn =
      Named(new PictureButton(cleanup, QSize(25, 25),
                              "Delete unmatched RAW files based on File list form .TXT file", client),
            "DelRAWbyTXTBtn", Twips(9570, 6420, 2625, 885));
  ui_.DelRAWbyTXTBtn->setToolTip(".txt file is just simple list of jpgs, produced by ShotRoster.bat");
  ui_.Exitbtn = Named(new PictureButton(ExitPicture(), QSize(38, 38), "Exit", client), "Exitbtn",
                      Twips(14160, 6420, 1785, 975));

  FitCaptionFont();

  // Centred on the screen the window opens on.
  adjustSize();
  if (QScreen* onScreen = screen()) {
    move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frameGeometry().size(),
                             onScreen->availableGeometry())
             .topLeft());
  }
}

// The controls keep the sizes the layout was drawn with, for a font about 8 points high;
// desktops default to larger or wider ones. The window takes the largest size of the
// desktop's font family, narrowed if need be, at which every caption fits its control.
void MainFrm::FitCaptionFont() {
  const QFont desktop = QApplication::font();
  const double largest = std::min(desktop.pointSizeF() > 0 ? desktop.pointSizeF() : 9.0, 9.0);
  for (double size = largest; size >= 7.0; size -= 0.5) {
    for (int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed), int(QFont::Condensed)}) {
      QFont candidate = desktop;
      candidate.setPointSizeF(size);
      candidate.setStretch(stretch);
      setFont(candidate);
      if (CaptionsFit()) return;
    }
  }
}

bool MainFrm::CaptionsFit() const {
  for (const QCheckBox* box : {ui_.EXIF, ui_.Bak}) {
    if (box->sizeHint().width() > box->width()) return false;
  }
  for (const QPushButton* button : {ui_.Cpypath1, ui_.CpyPath2}) {
    if (button->fontMetrics().horizontalAdvance(button->text()) + 8 > button->width()) return false;
  }
  for (const PictureButton* button : {ui_.DelRAWBtn, ui_.DelRAWbyTXTBtn, ui_.Exitbtn}) {
    if (!button->CaptionFits()) return false;
  }
  return ui_.Label1->heightForWidth(ui_.Label1->width()) <= ui_.Label1->height();
}

void MainFrm::SetTabOrder() {
  QWidget* const order[] = {ui_.File1, ui_.Drive1,   ui_.Dir1,     ui_.Dir2,       ui_.Drive2,
                            ui_.File2, ui_.CpyPath2, ui_.Cpypath1, ui_.Exitbtn,    ui_.DelRAWBtn,
                            ui_.Bak,   ui_.CrDirBtn, ui_.EXIF,     ui_.RefreshBtn, ui_.RefreshBtn2,
                            ui_.DelRAWbyTXTBtn};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  ui_.File1->setFocus();
}

// Before start-up both panes stand where the process was started.
void MainFrm::PlaceOnCurrentFolder() {
  const std::string here = ToLocalPath(QDir::currentPath());
  drives_->Remember(here);
  const std::string drive = drives_->DriveOf(here).text;
  for (auto [driveList, dir, file, pattern] :
       {std::tuple{ui_.Drive1, ui_.Dir1, ui_.File1, kRawPatternAtCreation},
        std::tuple{ui_.Drive2, ui_.Dir2, ui_.File2, kJpgPattern}}) {
    driveList->SetDrive(drive);
    dir->SetPath(here);
    file->SetPattern(pattern);
    file->SetPath(here);
  }
}

void MainFrm::ConnectHandlers() {
  // Direct connections: a change set by code is handled before that code goes on.
  connect(ui_.Drive1, &DriveList::Change, this, &MainFrm::Drive1_Change, Qt::DirectConnection);
  connect(ui_.Drive2, &DriveList::Change, this, &MainFrm::Drive2_Change, Qt::DirectConnection);
  connect(ui_.Dir1, &FolderList::Change, this, &MainFrm::Dir1_Change, Qt::DirectConnection);
  connect(ui_.Dir2, &FolderList::Change, this, &MainFrm::Dir2_Change, Qt::DirectConnection);
  connect(ui_.Cpypath1, &QPushButton::clicked, this, &MainFrm::Cpypath1_Click);
  connect(ui_.CpyPath2, &QPushButton::clicked, this, &MainFrm::CpyPath2_Click);
  connect(ui_.RefreshBtn, &QPushButton::clicked, this, &MainFrm::RefreshBtn_Click);
  connect(ui_.RefreshBtn2, &QPushButton::clicked, this, &MainFrm::RefreshBtn2_Click);
  connect(ui_.CrDirBtn, &QPushButton::clicked, this, &MainFrm::CrDirBtn_Click);
  connect(ui_.DelRAWBtn, &QPushButton::clicked, this, &MainFrm::DelRAWBtn_Click);
  connect(ui_.DelRAWbyTXTBtn, &QPushButton::clicked, this, &MainFrm::DelRAWbyTXTBtn_Click);
  connect(ui_.Extract4_Mnu, &QAction::triggered, this, &MainFrm::Extract4_Mnu_Click);
  connect(ui_.PreviewByFolderMnu, &QAction::triggered, this, &MainFrm::PreviewByFolder_Click);
  connect(ui_.PreviewByListMnu, &QAction::triggered, this, &MainFrm::PreviewByList_Click);
  connect(ui_.RestoreMnu, &QAction::triggered, this, &MainFrm::Restore_Click);
  connect(ui_.Exitbtn, &QPushButton::clicked, this, &MainFrm::Exitbtn_Click);
}

void MainFrm::Form_Load() {
  startFolder_ = givenStartFolder_.empty() ? ToLocalPath(QDir::currentPath()) : givenStartFolder_;
  settings_.KillBat = 1;
  // Read as numbers, so a minor version written "08" still shows as 8.
  setWindowTitle(windowTitle() + QString("  ver: %1.%2")
                                     .arg(QString(SHOTSWEEP_VERSION_MAJOR).toInt())
                                     .arg(QString(SHOTSWEEP_VERSION_MINOR).toInt()));
  const std::vector<std::string> warnings = ReadSettingsIn(fs_, startFolder_, settings_);
  ui_.File1->SetPattern(RawListPattern(settings_.ExtraRAW));
  if (!warnings.empty()) {
    std::string text = "Some settings in Shotsweep.ini are ignored:";
    for (const std::string& warning : warnings) text += "\n" + warning;
    dialogs_->MessageBox(text, std::string(kSettingsFileName), MessageIcon::Warning);
  }
  ui_.TrashNote->setVisible(settings_.Trash == 1);
  ui_.TrashMnu->setVisible(settings_.Trash == 1);
  NactiCesty();
  OfferRestore();
}

void MainFrm::OfferRestore() {
  // A cleanup the program did not see to its end (the window died, or the program was killed)
  // may have left RAW files set aside; this is the moment to say so.
  const std::string folder = ui_.Dir1->Path();
  if (folder.empty() || !LooksInterrupted(fs_, folder, settings_)) return;
  if (dialogs_->Question("The RAW folder " + folder +
                             " holds set-aside RAW files beside what is left of a cleanup that did not get to "
                             "its end.\n\nGive every set-aside file its RAW extension back now?",
                         "Restore set-aside RAW files")) {
    Restore_Click();
  }
}

void MainFrm::UlozCesty() {
  if (startFolder_.empty()) return;  // not started up yet: there is no place to save to
  WriteSavedPair(fs_, SavedPairPath(startFolder_),
                 {ui_.Drive1->Drive(), ui_.Dir1->Path(), ui_.Drive2->Drive(), ui_.Dir2->Path()});
}

void MainFrm::NactiCesty() {
  const std::optional<SavedPair> pair = ReadSavedPair(fs_, SavedPairPath(startFolder_));
  if (!pair) return;
  // Each record stands alone: one naming a drive or folder that is gone changes nothing, and
  // the pane's own value is what the next save writes in its place.
  if (IsDriveRecord(pair->drive1)) ui_.Drive1->SetDrive(pair->drive1);
  if (IsFolderRecord(pair->dir1)) ui_.Dir1->SetPath(pair->dir1);
  if (IsDriveRecord(pair->drive2)) ui_.Drive2->SetDrive(pair->drive2);
  if (IsFolderRecord(pair->dir2)) ui_.Dir2->SetPath(pair->dir2);
}

Pane MainFrm::LeftPane() { return Pane{*ui_.Drive1, *ui_.Dir1, *ui_.File1}; }
Pane MainFrm::RightPane() { return Pane{*ui_.Drive2, *ui_.Dir2, *ui_.File2}; }

std::function<void()> MainFrm::Saver() {
  return [this] { UlozCesty(); };
}

void MainFrm::Drive1_Change() { DriveChange(LeftPane(), *drives_, Saver()); }
void MainFrm::Drive2_Change() { DriveChange(RightPane(), *drives_, Saver()); }
void MainFrm::Dir1_Change() { FolderChange(LeftPane(), *drives_, Saver()); }
void MainFrm::Dir2_Change() { FolderChange(RightPane(), *drives_, Saver()); }
void MainFrm::Cpypath1_Click() { CopyPanePath(LeftPane(), RightPane(), Saver()); }
void MainFrm::CpyPath2_Click() { CopyPanePath(RightPane(), LeftPane(), Saver()); }

void MainFrm::RefreshBtn_Click() { ui_.File1->Refresh(); }

void MainFrm::RefreshBtn2_Click() { ui_.File2->Refresh(); }

void MainFrm::CrDirBtn_Click() { CreateFolder(*dialogs_, fs_, *ui_.Dir2); }

bool MainFrm::RunCommand(const std::function<void()>& command) {
  // The runner keeps the window painted while a script runs; a second command started from
  // there would work on the same folders as the first.
  if (commandRunning_) return false;
  commandRunning_ = true;
  try {
    command();
  } catch (const std::exception& failure) {
    // The commands report their own failures; one that escapes is still a failure.
    ShowError(*dialogs_, CommandError{0, failure.what()});
  }
  commandRunning_ = false;
  if (closeRequested_) close();
  return true;
}

void MainFrm::MakeCurrent(const std::string& folder) {
  // The folder a command ran its scripts in becomes the program's current folder, as on the
  // system the scripts come from: its drive returns there, and the open-file dialog opens there.
  drives_->Remember(folder);
  QDir::setCurrent(FromLocalPath(folder));
}

void MainFrm::RunCleanup(CleanupRequest::Source source, bool preview, const char* title) {
  const bool ran = RunCommand([&] {
    CleanupRequest request{source, RawFolder(), JpgFolder(), {}, KeepTicked()};
    if (source == CleanupRequest::Source::PhotoList) {
      std::optional<std::string> list = AskForPhotoList(*dialogs_);
      if (!list) return;
      request.photoList = std::move(*list);
    }
    ui_.File2->Refresh();
    const CleanupPlan plan = PlanCleanup(request, settings_, fs_);
    if (preview) {
      PreviewDialog dialog(this, title, plan, FromLocalPath(request.rawFolder));
      if (dialog.exec() != QDialog::Accepted) return;
    }
    ShowResult(*dialogs_, CarryOutCleanup(plan, settings_, *runner_, fs_), kCleanupTitle);
    ui_.File1->Refresh();
  });
  if (ran) MakeCurrent(ui_.Dir1->Path());
}

void MainFrm::DelRAWBtn_Click() {
  RunCleanup(CleanupRequest::Source::JpgFolder, settings_.Confirm == 1, kPreviewByFolder);
}

void MainFrm::DelRAWbyTXTBtn_Click() {
  RunCleanup(CleanupRequest::Source::PhotoList, settings_.Confirm == 1, kPreviewByList);
}

void MainFrm::PreviewByFolder_Click() { RunCleanup(CleanupRequest::Source::JpgFolder, true, kPreviewByFolder); }

void MainFrm::PreviewByList_Click() { RunCleanup(CleanupRequest::Source::PhotoList, true, kPreviewByList); }

void MainFrm::Restore_Click() {
  const bool ran = RunCommand([&] {
    ShowResult(*dialogs_, RestoreSetAside({RawFolder()}, settings_, *runner_, fs_), kRestoreTitle);
    ui_.File1->Refresh();
  });
  if (ran) MakeCurrent(ui_.Dir1->Path());
}

void MainFrm::Extract4_Mnu_Click() {
  const bool ran = RunCommand([&] {
    const ExtractionRequest request{RawFolder(), JpgFolder(), startFolder_, ExifTicked()};
    const CommandResult result = ExtractPreviews(request, settings_, *runner_, fs_);
    ui_.File2->Refresh();
    ShowResult(*dialogs_, result, kExtractionTitle);
  });
  if (ran) MakeCurrent(startFolder_);
}

void MainFrm::Exitbtn_Click() { close(); }

void MainFrm::closeEvent(QCloseEvent* event) {
  if (commandRunning_) {
    // A cleanup waits for its scripts; ending now could leave the RAW folder set aside half
    // way. The window goes at once and the program ends as soon as the command has.
    closeRequested_ = true;
    hide();
    event->ignore();
    return;
  }
  event->accept();
  QCoreApplication::quit();
}

std::string MainFrm::RawFolder() const { return ui_.Dir1->Path(); }
std::string MainFrm::JpgFolder() const { return ui_.Dir2->Path(); }
FileList& MainFrm::RawFiles() { return *ui_.File1; }
FileList& MainFrm::JpgFiles() { return *ui_.File2; }
bool MainFrm::KeepTicked() const { return ui_.Bak->checkState() != Qt::Unchecked; }
bool MainFrm::ExifTicked() const { return ui_.EXIF->isChecked(); }

}  // namespace shotsweep

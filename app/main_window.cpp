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

#include "app/about_box.h"
#include "app/photo_list_dialog.h"
#include "app/preferences_dialog.h"
#include "app/preview_dialog.h"
#include "cleanup/cleanup_plan.h"
#include "app/picture_button.h"
#include "app/pictures.h"
#include "base/file_names.h"
#include "cleanup/cleanup_commands.h"
#include "cleanup/raw_folder_check.h"
#include "panes/drive_list.h"
#include "panes/file_list.h"
#include "panes/folder_list.h"
#include "panes/pane.h"
#include "platform/qt/drives.h"
#include "base/errors.h"
#include "platform/qt/local_path.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_script_runner.h"
#include "extraction/extraction_command.h"
#include "extraction/extraction_report.h"
#include "settings/saved_pair.h"
#include "settings/settings_reader.h"
#include "settings/settings_writer.h"

namespace shotsweep {
namespace {

constexpr const char* kCaption = "Delete RAW files according to missing JPG files";
constexpr const char* kAboutText =
    "This utility helps when DSLR shoots into RAW and JPG and photographer wants to delete those "
    "RAW files which he deleted before from JPG files to make both sides synchronised.";
constexpr std::string_view kRawPatternAtCreation = "*.nef;*.cr*";
constexpr std::string_view kJpgPattern = kJpgListPattern;
constexpr const char* kPreviewByFolder = "Preview cleanup by JPG folder";
constexpr const char* kPreviewByList = "Preview cleanup by photo list";

// The layout was drawn in twips; 15 of them make one device-independent pixel, so the window
// keeps its proportions on high-density screens without any arithmetic of ours.
QRect Twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

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

MainWindow::MainWindow(FileSystem& fs, std::string startFolder, QWidget* parent)
    : MainWindow(fs, nullptr, nullptr, nullptr, parent, std::move(startFolder)) {}

MainWindow::MainWindow(FileSystem& fs, Dialogs& dialogs, ScriptRunner& runner, DriveSource& drives, QWidget* parent,
                 std::string startFolder)
    : MainWindow(fs, &dialogs, &runner, &drives, parent, std::move(startFolder)) {}

MainWindow::MainWindow(FileSystem& fs, Dialogs* dialogs, ScriptRunner* runner, DriveSource* drives, QWidget* parent,
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
  drives_ = std::make_unique<DriveTable>(*drives, fs_);

  CreateControls();
  SetTabOrder();
  PlaceOnCurrentFolder();
  ConnectHandlers();
  StartUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::CreateControls() {
  setObjectName("MainWindow");
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
  ui_.exportMenu = menuBar()->addMenu("&Export");
  ui_.exportMenu->setObjectName("exportMenu");
  ui_.extractAction = item(ui_.exportMenu, "Extract Preview Image(.jpg) from RAW to JPG folder", "extractAction");
  ui_.extractAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  // What a cleanup would do, seen before it is done; the way back for what it set aside; and
  // the settings that shape every cleanup.
  ui_.cleanupMenu = menuBar()->addMenu("&Cleanup");
  ui_.cleanupMenu->setObjectName("cleanupMenu");
  // The menu's texts are the previews' titles, with a mnemonic each.
  ui_.previewByFolderAction =
      item(ui_.cleanupMenu, QString(kPreviewByFolder).replace("JPG folder", "JPG &folder") + "\u2026",
           "previewByFolderAction");
  ui_.previewByListAction =
      item(ui_.cleanupMenu, QString(kPreviewByList).replace("photo list", "photo &list") + "\u2026",
           "previewByListAction");
  ui_.cleanupMenu->addSeparator();
  ui_.restoreAction = item(ui_.cleanupMenu, "&Restore set-aside RAW files", "restoreAction");
  ui_.cleanupMenu->addSeparator();
  ui_.trashAction = item(ui_.cleanupMenu, "Deleted RAW files go to the &trash", "trashAction");
  ui_.trashAction->setCheckable(true);
  ui_.preferencesAction = item(ui_.cleanupMenu, "&Preferences\u2026", "preferencesAction");
  ui_.preferencesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
  ui_.preferencesAction->setMenuRole(QAction::PreferencesRole);
  ui_.helpMenu = menuBar()->addMenu("&Help");
  ui_.helpMenu->setObjectName("helpMenu");
  ui_.aboutAction = item(ui_.helpMenu, "&About Shotsweep", "aboutAction");
  ui_.aboutAction->setMenuRole(QAction::AboutRole);
  // Ctrl+Q quits, as in every desktop program; on screen the Exit button stands for it.
  ui_.quitAction = new QAction("Quit", this);
  ui_.quitAction->setObjectName("quitAction");
  ui_.quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  addAction(ui_.quitAction);

  // The client area lies below the menu bar.
  auto* client = new QWidget(this);
  client->setObjectName("client");
  client->setFixedSize(Twips(0, 0, 16050, 7845).size());
  setCentralWidget(client);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  // The two panes differ in their caption, the width of their drive list and the way their
  // path button points; the RAW pane holds the EXIF box, the JPG pane the new-folder button.
  const QIcon refresh = RefreshPicture();
  const auto paneLayout = [](int left, int driveWidth) {
    return PaneLayout{Twips(left, 90, 7845, 6255),       Twips(240, 390, driveWidth, 315),
                      Twips(6240, 360, 1365, 315),       Twips(210, 750, 4245, 5265),
                      Twips(4500, 750, 3135, 5355),      Twips(7260, 5730, 555, 495)};
  };
  rawPane_ = new Pane({"RAW files to delete", QColor(192, 0, 0), "raw", "path ->", "Copy Path to right side", refresh},
                      paneLayout(120, 4215), *drives_, fs_, client);
  ui_.exifBox = Named(new QCheckBox("Export EXIF data", rawPane_), "exifBox", Twips(4560, 480, 1515, 195));
  jpgPane_ = new Pane({"JPG files", QColor(0, 0, 192), "jpg", "<- path", "Copy Path to left side", refresh},
                      paneLayout(8070, 3585), *drives_, fs_, client);
  ui_.newFolderButton = Named(PictureOnly(NewFolderPicture(), "Create Folder", jpgPane_), "newFolderButton",
                              Twips(3840, 240, 615, 495));

  ui_.aboutLabel = Named(new QLabel(QString("%1\n%2").arg(kAboutText, CreditLine()), client), "aboutLabel",
                         Twips(150, 6480, 6465, 705));
  ui_.aboutLabel->setWordWrap(true);
  ui_.aboutLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const QIcon cleanup = CleanupPicture();
  ui_.deleteByFolderButton =
      Named(new PictureButton(cleanup, QSize(25, 25), "Delete unmatched RAW files by JPG Folder", client),
            "deleteByFolderButton", Twips(6900, 6420, 2625, 885));
  ui_.setAsideBox = Named(new QCheckBox("Just rename extension to .bak", client), "setAsideBox",
                          Twips(6900, 7410, 2625, 225));
  ui_.setAsideBox->setChecked(true);
  // Shown only with Trash=1, under the other cleanup button: where deleted RAW files go.
  ui_.trashNote = Named(new QLabel("Deleted files go to the trash", client), "trashNote", Twips(9570, 7410, 2625, 225));
  ui_.trashNote->setVisible(false);
  ui_.deleteByListButton =
      Named(new PictureButton(cleanup, QSize(25, 25),
                              "Delete unmatched RAW files based on File list form .TXT file", client),
            "deleteByListButton", Twips(9570, 6420, 2625, 885));
  ui_.deleteByListButton->setToolTip(".txt file is just simple list of jpgs, produced by ShotRoster.bat");
  ui_.exitButton = Named(new PictureButton(ExitPicture(), QSize(38, 38), "Exit", client), "exitButton",
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
void MainWindow::FitCaptionFont() {
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

bool MainWindow::CaptionsFit() const {
  for (const QCheckBox* box : {ui_.exifBox, ui_.setAsideBox}) {
    if (box->sizeHint().width() > box->width()) return false;
  }
  for (const QPushButton* button : {&rawPane_->copyPathButton(), &jpgPane_->copyPathButton()}) {
    if (button->fontMetrics().horizontalAdvance(button->text()) + 8 > button->width()) return false;
  }
  for (const PictureButton* button : {ui_.deleteByFolderButton, ui_.deleteByListButton, ui_.exitButton}) {
    if (!button->CaptionFits()) return false;
  }
  return ui_.aboutLabel->heightForWidth(ui_.aboutLabel->width()) <= ui_.aboutLabel->height();
}

void MainWindow::SetTabOrder() {
  QWidget* const order[] = {&rawPane_->files(),          &rawPane_->drives(),          &rawPane_->folders(),
                            &jpgPane_->folders(),        &jpgPane_->drives(),          &jpgPane_->files(),
                            &jpgPane_->copyPathButton(), &rawPane_->copyPathButton(),  ui_.exitButton,
                            ui_.deleteByFolderButton,    ui_.setAsideBox,              ui_.newFolderButton,
                            ui_.exifBox,                 &rawPane_->refreshButton(),   &jpgPane_->refreshButton(),
                            ui_.deleteByListButton};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  rawPane_->files().setFocus();
}

// Before start-up both panes stand where the process was started.
void MainWindow::PlaceOnCurrentFolder() {
  const std::string here = ToLocalPath(QDir::currentPath());
  drives_->Remember(here);
  const std::string drive = drives_->DriveOf(here).text;
  for (auto [pane, pattern] : {std::pair{rawPane_, kRawPatternAtCreation}, std::pair{jpgPane_, kJpgPattern}}) {
    pane->drives().SetDrive(drive);
    pane->folders().SetPath(here);
    pane->files().SetPattern(pattern);
    pane->files().SetPath(here);
  }
}

void MainWindow::ConnectHandlers() {
  // Direct connections: a change set by code is handled before that code goes on.
  for (Pane* pane : {rawPane_, jpgPane_}) {
    connect(pane, &Pane::Changed, this, &MainWindow::PaneChanged, Qt::DirectConnection);
  }
  connect(&rawPane_->copyPathButton(), &QPushButton::clicked, this, [this] { jpgPane_->ShowFolderOf(*rawPane_); });
  connect(&jpgPane_->copyPathButton(), &QPushButton::clicked, this, [this] { rawPane_->ShowFolderOf(*jpgPane_); });
  connect(ui_.newFolderButton, &QPushButton::clicked, this, [this] { jpgPane_->CreateFolder(*dialogs_); });
  connect(ui_.deleteByFolderButton, &QPushButton::clicked, this,
          [this] { RunCleanup(CleanupRequest::Source::JpgFolder, settings_.confirm, kPreviewByFolder); });
  connect(ui_.deleteByListButton, &QPushButton::clicked, this,
          [this] { RunCleanup(CleanupRequest::Source::PhotoList, settings_.confirm, kPreviewByList); });
  connect(ui_.extractAction, &QAction::triggered, this, &MainWindow::ExtractPreviewImages);
  connect(ui_.previewByFolderAction, &QAction::triggered, this,
          [this] { RunCleanup(CleanupRequest::Source::JpgFolder, true, kPreviewByFolder); });
  connect(ui_.previewByListAction, &QAction::triggered, this,
          [this] { RunCleanup(CleanupRequest::Source::PhotoList, true, kPreviewByList); });
  connect(ui_.restoreAction, &QAction::triggered, this, &MainWindow::RestoreSetAsideFiles);
  connect(ui_.trashAction, &QAction::triggered, this, [this](bool ticked) {
    Settings chosen = settings_;
    chosen.trash = ticked;
    if (const auto failure = ApplySettings(chosen)) {
      dialogs_->MessageBox("The trash setting could not be saved: " + *failure, std::string(kSettingsFileName),
                           MessageIcon::Critical);
    }
    ShowSettings();
  });
  connect(ui_.preferencesAction, &QAction::triggered, this, &MainWindow::ShowPreferences);
  connect(ui_.aboutAction, &QAction::triggered, this, [this] { ShowAbout(this); });
  connect(ui_.quitAction, &QAction::triggered, this, &QWidget::close);
  connect(ui_.exitButton, &QPushButton::clicked, this, &QWidget::close);
}

void MainWindow::StartUp() {
  startFolder_ = givenStartFolder_.empty() ? ToLocalPath(QDir::currentPath()) : givenStartFolder_;
  settings_.deleteScripts = true;
  // Read as numbers, so a minor version written "08" still shows as 8.
  setWindowTitle(windowTitle() + QString("  ver: %1.%2")
                                     .arg(QString(SHOTSWEEP_VERSION_MAJOR).toInt())
                                     .arg(QString(SHOTSWEEP_VERSION_MINOR).toInt()));
  const std::vector<std::string> warnings = ReadSettingsIn(fs_, startFolder_, settings_);
  ShowSettings();
  if (!warnings.empty()) {
    // A user who asked for a safety and did not get it must hear of it before the first cleanup.
    std::string text = "Some entries of " + SettingsPath(startFolder_) + " are not taken as written:";
    for (const std::string& warning : warnings) text += "\n" + warning;
    text += "\n\nCleanup \u2192 Preferences changes them.";
    dialogs_->MessageBox(text, std::string(kSettingsFileName), MessageIcon::Warning);
  }
  const std::vector<std::string> missing = LoadFolderPair();
  if (!missing.empty()) {
    const bool one = missing.size() == 1;
    std::string text = one ? "This saved folder is not there, perhaps on a disk that is not mounted:"
                           : "These saved folders are not there, perhaps on a disk that is not mounted:";
    for (const std::string& folder : missing) text += "\n" + folder;
    text += one ? "\n\nIts pane shows another folder for now. The saved folder is kept until you pick a folder."
                : "\n\nThe panes show other folders for now. The saved folders are kept until you pick a folder.";
    dialogs_->MessageBox(text, one ? "Saved folder not found" : "Saved folders not found", MessageIcon::Warning);
  }
  startedUp_ = true;
  OfferRestore();
}

void MainWindow::ShowSettings() {
  const std::string pattern = RawListPattern(settings_.extraRawKinds);
  if (rawPane_->files().Pattern() != pattern) rawPane_->files().SetPattern(pattern);
  ui_.trashNote->setVisible(settings_.trash);
  ui_.trashAction->setChecked(settings_.trash);
}

std::optional<std::string> MainWindow::ApplySettings(const Settings& chosen) {
  const std::vector<SettingValue> changes = ChangedSettings(settings_, chosen);
  if (changes.empty()) return std::nullopt;
  // A running command reads the settings as it goes; they change only between commands.
  if (commandRunning_) return "a command is running; change them once it has ended.";
  if (const auto error = SaveSettings(fs_, SettingsPath(startFolder_), changes)) return error->Text();
  settings_ = chosen;
  ShowSettings();
  return std::nullopt;
}

void MainWindow::ShowPreferences() {
  PreferencesDialog dialog(settings_, FromLocalPath(SettingsPath(startFolder_)),
                           [this](const Settings& chosen) { return ApplySettings(chosen); }, this);
  dialog.exec();
}

void MainWindow::OfferRestore() {
  // A cleanup the program did not see to its end (the window died, or the program was killed)
  // may have left RAW files set aside; this is the moment to say so.
  const std::string folder = rawPane_->Folder();
  if (folder.empty() || !LooksInterrupted(fs_, folder, settings_)) return;
  if (dialogs_->Question("The RAW folder " + folder +
                             " holds set-aside RAW files beside what is left of a cleanup that did not get to "
                             "its end.\n\nGive every set-aside file its RAW extension back now?",
                         "Restore set-aside RAW files")) {
    RestoreSetAsideFiles();
  }
}

void MainWindow::PaneChanged() {
  // Once started, every change of a pane is the user's pick.
  if (startedUp_) keepSavedPair_ = false;
  SaveFolderPair();
}

void MainWindow::SaveFolderPair() {
  if (startFolder_.empty()) return;  // not started up yet: there is no place to save to
  if (keepSavedPair_) return;
  WriteSavedPair(fs_, SavedPairPath(startFolder_), {rawPane_->drives().Drive(), rawPane_->Folder(),
                                                    jpgPane_->drives().Drive(), jpgPane_->Folder()});
}

std::vector<std::string> MainWindow::LoadFolderPair() {
  const std::optional<SavedPair> pair = ReadSavedPair(fs_, SavedPairPath(startFolder_));
  if (!pair) return {};
  // A folder on a card or disk that is not mounted yet: saving what the panes show instead
  // would forget it, and a cleanup would run in the start folder in its place.
  std::vector<std::string> missing;
  for (auto [record, side] : {std::pair{&pair->rawFolder, "RAW folder: "}, std::pair{&pair->jpgFolder, "JPG folder: "}}) {
    if (IsFolderRecord(*record) && !fs_.IsDirectory(*record)) missing.push_back(side + *record);
  }
  keepSavedPair_ = !missing.empty();
  // Each record stands alone: one naming a drive or folder that is gone changes nothing, and
  // the pane's own value is what the next save writes in its place; with a folder missing,
  // that is the save after the user's first pick.
  if (IsDriveRecord(pair->rawDrive)) rawPane_->drives().SetDrive(pair->rawDrive);
  if (IsFolderRecord(pair->rawFolder)) rawPane_->folders().SetPath(pair->rawFolder);
  if (IsDriveRecord(pair->jpgDrive)) jpgPane_->drives().SetDrive(pair->jpgDrive);
  if (IsFolderRecord(pair->jpgFolder)) jpgPane_->folders().SetPath(pair->jpgFolder);
  return missing;
}

bool MainWindow::RunCommand(const std::function<void()>& command) {
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

void MainWindow::MakeCurrent(const std::string& folder) {
  // The folder a command ran its scripts in becomes the program's current folder, as on the
  // system the scripts come from: its drive returns there, and the open-file dialog opens there.
  drives_->Remember(folder);
  QDir::setCurrent(FromLocalPath(folder));
}

void MainWindow::RunCleanup(CleanupRequest::Source source, bool preview, const char* title) {
  const bool ran = RunCommand([&] {
    CleanupRequest request{source, RawFolder(), JpgFolder(), {}, KeepTicked()};
    if (source == CleanupRequest::Source::PhotoList) {
      std::optional<std::string> list = AskForPhotoList(*dialogs_);
      if (!list) return;
      request.photoList = std::move(*list);
    }
    jpgPane_->files().Refresh();
    const CleanupPlan plan = PlanCleanup(request, settings_, fs_);
    if (preview) {
      PreviewDialog dialog(this, title, plan, FromLocalPath(request.rawFolder));
      if (dialog.exec() != QDialog::Accepted) return;
    } else if (EmptiesRawFolder(plan) && !AgreedToEmptyRawFolder(plan)) {
      return;
    }
    ShowResult(*dialogs_, CarryOutCleanup(plan, settings_, *runner_, fs_), kCleanupTitle);
    rawPane_->files().Refresh();
  });
  if (ran) MakeCurrent(rawPane_->Folder());
}

bool MainWindow::AgreedToEmptyRawFolder(const CleanupPlan& plan) {
  // An empty or wrong JPG folder, a photo list of other shots, a disk that was not mounted:
  // one click would take the whole folder. The preview, where it is shown, says the same.
  const bool trash = plan.Count(PlannedFile::Trash) > 0;
  return dialogs_->Question(EmptiesRawFolderText(plan) + (trash ? "\n\nMove them all to the trash?" : "\n\nDelete them all?"),
                            trash ? "Move every RAW file to the trash?" : "Delete every RAW file?");
}

void MainWindow::RestoreSetAsideFiles() {
  const bool ran = RunCommand([&] {
    // "Operation done" over a folder with nothing set aside would tell of a restore that never
    // was. A folder that cannot be read is left to the command, which says why.
    std::vector<DirEntry> entries;
    if (!RawFolder().empty() && !fs_.List(RawFolder(), entries)) {
      // As the restore itself sees it: every camera kind, whatever ExtraRAW says.
      if (std::none_of(entries.begin(), entries.end(),
                       [](const DirEntry& e) { return !e.isDir && LooksSetAside(e.name); })) {
        dialogs_->MessageBox("No RAW file in " + RawFolder() + " is set aside: there is nothing to restore.",
                             "Restore set-aside RAW files", MessageIcon::Information);
        return;
      }
    }
    ShowResult(*dialogs_, RestoreSetAside({RawFolder()}, settings_, *runner_, fs_), kRestoreTitle);
    rawPane_->files().Refresh();
  });
  if (ran) MakeCurrent(rawPane_->Folder());
}

void MainWindow::ExtractPreviewImages() {
  const bool ran = RunCommand([&] {
    const ExtractionRequest request{RawFolder(), JpgFolder(), startFolder_, ExifTicked()};
    const ExtractionResult result = ExtractPreviews(request, settings_, *runner_, fs_);
    jpgPane_->files().Refresh();
    ShowExtractionResult(*dialogs_, result);
  });
  if (ran) MakeCurrent(startFolder_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
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

std::string MainWindow::RawFolder() const { return rawPane_->Folder(); }
std::string MainWindow::JpgFolder() const { return jpgPane_->Folder(); }
FileList& MainWindow::RawFiles() { return rawPane_->files(); }
FileList& MainWindow::JpgFiles() { return jpgPane_->files(); }
bool MainWindow::KeepTicked() const { return ui_.setAsideBox->checkState() != Qt::Unchecked; }
bool MainWindow::ExifTicked() const { return ui_.exifBox->isChecked(); }

}  // namespace shotsweep

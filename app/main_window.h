#pragma once
// The program's one window: two panes (RAW files left, JPG files right), the two cleanup
// buttons, the Export menu. Its handlers make each command's request from the panes and show
// the result.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cleanup/cleanup_commands.h"
#include "fs/file_system.h"
#include "settings/settings.h"

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;

namespace shotsweep {

class Dialogs;
class DriveSource;
class DriveTable;
class FileList;
class Pane;
class PictureButton;
class ScriptRunner;
struct CleanupPlan;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The window as the program runs it: Qt dialogs, the interpreter next to the executable,
  // this machine's drives. Start-up has run when the constructor returns.
  // `startFolder`: the start folder when it is not the current folder (started from the
  // desktop's menu). Every file is read and written through `fs`, which must outlive the
  // window and the reading of its folders.
  explicit MainWindow(FileSystem& fs, std::string startFolder = {}, QWidget* parent = nullptr);
  // The same window over other dialogs, script runner and drives, for tests.
  MainWindow(FileSystem& fs, Dialogs& dialogs, ScriptRunner& runner, DriveSource& drives, QWidget* parent = nullptr,
             std::string startFolder = {});
  ~MainWindow() override;

  // Saves the folder pair: the drive and folder of each pane. Never reports a failure. While a
  // saved folder that was not there at start-up waits for the user to pick a folder, the pair
  // stays as it was saved.
  void SaveFolderPair();
  // Loads the folder pair and points the panes at it. Never reports a failure; gives the saved
  // folders that are not there, each as "RAW folder: PATH" or "JPG folder: PATH".
  std::vector<std::string> LoadFolderPair();

  const Settings& settings() const { return settings_; }
  // Set at start-up; ends in a separator only at the root.
  const std::string& startFolder() const { return startFolder_; }

  // What the commands take from the window: the panes' folders and files, the two boxes.
  std::string RawFolder() const;
  std::string JpgFolder() const;
  FileList& RawFiles();
  FileList& JpgFiles();
  bool KeepTicked() const;  // the set-aside box, ticked or grayed
  bool ExifTicked() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  MainWindow(FileSystem& fs, Dialogs* dialogs, ScriptRunner* runner, DriveSource* drives, QWidget* parent,
             std::string startFolder);

  void CreateControls();
  void FitCaptionFont();
  bool CaptionsFit() const;
  void SetTabOrder();
  void PlaceOnCurrentFolder();
  void ConnectHandlers();
  // A drive or folder of a pane changed.
  void PaneChanged();
  // Reads the settings, the saved folder pair, and offers to restore what a cut-short cleanup
  // left set aside.
  void StartUp();
  // Runs one of the commands; false for a click that arrives while one runs, which is
  // dropped.
  bool RunCommand(const std::function<void()>& command);
  // A cleanup: planned, shown first with `preview`, then carried out.
  void RunCleanup(CleanupRequest::Source source, bool preview, const char* title);
  // Asked before a cleanup that would leave the RAW folder without any RAW file; No is the
  // default.
  bool AgreedToEmptyRawFolder(const CleanupPlan& plan);
  void RestoreSetAsideFiles();
  void ExtractPreviewImages();
  void ShowPreferences();
  // Saves the settings that differ from the ones in force into the settings file, and puts
  // them in force; why it could not, and then nothing changed.
  std::optional<std::string> ApplySettings(const Settings& chosen);
  // The settings in force as the window shows them: the RAW list's kinds, the trash mode.
  void ShowSettings();
  // At start-up: restoring what a cleanup that did not get to its end left set aside.
  void OfferRestore();
  void MakeCurrent(const std::string& folder);

  FileSystem& fs_;
  Settings settings_;
  std::string givenStartFolder_;  // empty: the current folder at start-up
  std::string startFolder_;       // empty until start-up
  std::unique_ptr<Dialogs> ownDialogs_;
  std::unique_ptr<ScriptRunner> ownRunner_;
  std::unique_ptr<DriveSource> ownDrives_;
  Dialogs* dialogs_;
  ScriptRunner* runner_;
  std::unique_ptr<DriveTable> drives_;
  bool startedUp_ = false;
  // A saved folder was not there at start-up: the file keeps naming it until the user picks a
  // folder, so that a disk mounted before the next start brings it back.
  bool keepSavedPair_ = false;
  bool commandRunning_ = false;
  bool closeRequested_ = false;

  Pane* rawPane_ = nullptr;  // left: the RAW files, and the EXIF box
  Pane* jpgPane_ = nullptr;  // right: the JPG files, and the new-folder button
  struct Controls {
    QCheckBox* exifBox = nullptr;
    QPushButton* newFolderButton = nullptr;
    PictureButton* deleteByFolderButton = nullptr;
    PictureButton* deleteByListButton = nullptr;
    QCheckBox* setAsideBox = nullptr;
    PictureButton* exitButton = nullptr;
    QLabel* aboutLabel = nullptr;
    QMenu* exportMenu = nullptr;
    QAction* extractAction = nullptr;
    QMenu* cleanupMenu = nullptr;
    QAction* previewByFolderAction = nullptr;
    QAction* previewByListAction = nullptr;
    QAction* restoreAction = nullptr;
    QAction* trashAction = nullptr;
    QAction* preferencesAction = nullptr;
    QMenu* helpMenu = nullptr;
    QAction* aboutAction = nullptr;
    QAction* quitAction = nullptr;
    QLabel* trashNote = nullptr;
  } ui_;
};

}  // namespace shotsweep

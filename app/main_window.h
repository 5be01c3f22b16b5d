#pragma once
// The program's one window: two panes (RAW files left, JPG files right), the two cleanup
// buttons, the Export menu. Its handlers make each command's request from the panes and show
// the result.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "cleanup/cleanup_commands.h"
#include "fs/file_system.h"
#include "settings/module1.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

namespace shotsweep {

class Dialogs;
class DriveList;
class DriveSource;
class DriveTable;
class FileList;
class FolderList;
class PictureButton;
class ScriptRunner;
struct Pane;

class MainFrm : public QMainWindow {
  Q_OBJECT

 public:
  // The window as the program runs it: Qt dialogs, the interpreter next to the executable,
  // this machine's drives. Start-up has run when the constructor returns.
  // `startFolder`: the start folder when it is not the current folder (started from the
  // desktop's menu).
  // Every file is read and written through `fs`, which must outlive the window and the reading
  // of its folders.
  explicit MainFrm(FileSystem& fs, std::string startFolder = {}, QWidget* parent = nullptr);
  // The same window over other dialogs, script runner and drives, for tests.
  MainFrm(FileSystem& fs, Dialogs& dialogs, ScriptRunner& runner, DriveSource& drives, QWidget* parent = nullptr,
          std::string startFolder = {});
  ~MainFrm() override;

  // Saves the folder pair: the drive and folder of each pane. Never reports a failure.
  void UlozCesty();
  // Loads the folder pair and points the panes at it. Never reports a failure.
  void NactiCesty();

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
  MainFrm(FileSystem& fs, Dialogs* dialogs, ScriptRunner* runner, DriveSource* drives, QWidget* parent,
          std::string startFolder);

  void CreateControls();
  void FitCaptionFont();
  bool CaptionsFit() const;
  void SetTabOrder();
  void PlaceOnCurrentFolder();
  void ConnectHandlers();
  void Form_Load();
  Pane LeftPane();
  Pane RightPane();
  // The pane handlers end by saving the pair through this.
  std::function<void()> Saver();
  // Runs one of the commands; false for a click that arrives while one runs, which is
  // dropped.
  bool RunCommand(const std::function<void()>& command);
  // A cleanup: planned, shown first with `preview`, then carried out.
  void RunCleanup(CleanupRequest::Source source, bool preview, const char* title);
  // At start-up: restoring what a cleanup that did not get to its end left set aside.
  void OfferRestore();
  void MakeCurrent(const std::string& folder);

  void Drive1_Change();
  void Drive2_Change();
  void Dir1_Change();
  void Dir2_Change();
  void Cpypath1_Click();
  void CpyPath2_Click();
  void RefreshBtn_Click();
  void RefreshBtn2_Click();
  void CrDirBtn_Click();
  void DelRAWBtn_Click();
  void DelRAWbyTXTBtn_Click();
  void Extract4_Mnu_Click();
  void PreviewByFolder_Click();
  void PreviewByList_Click();
  void Restore_Click();
  void Exitbtn_Click();

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
  bool commandRunning_ = false;
  bool closeRequested_ = false;

  // The controls, named as the window's handlers and the commands name them.
  struct Controls {
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    DriveList* Drive1 = nullptr;
    DriveList* Drive2 = nullptr;
    FolderList* Dir1 = nullptr;
    FolderList* Dir2 = nullptr;
    FileList* File1 = nullptr;
    FileList* File2 = nullptr;
    QCheckBox* EXIF = nullptr;
    QCheckBox* Bak = nullptr;
    QPushButton* Cpypath1 = nullptr;
    QPushButton* CpyPath2 = nullptr;
    QPushButton* RefreshBtn = nullptr;
    QPushButton* RefreshBtn2 = nullptr;
    QPushButton* CrDirBtn = nullptr;
    PictureButton* DelRAWBtn = nullptr;
    PictureButton* DelRAWbyTXTBtn = nullptr;
    PictureButton* Exitbtn = nullptr;
    QLabel* Label1 = nullptr;
    QMenu* ExportMnu = nullptr;
    QAction* Extract4_Mnu = nullptr;
    QMenu* CleanupMnu = nullptr;
    QAction* PreviewByFolderMnu = nullptr;
    QAction* PreviewByListMnu = nullptr;
    QAction* RestoreMnu = nullptr;
    QAction* TrashMnu = nullptr;
    QLabel* TrashNote = nullptr;
  } ui_;
};

}  // namespace shotsweep

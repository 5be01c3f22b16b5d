#pragma once
// One side of the window: a framed pane with a drive list, a folder list and a file list, a
// button that reads the file list again and one that hands its folder to the other pane. The
// lists are linked: choosing a drive opens that drive's current folder, opening a folder lists
// its files and makes it its drive's current folder. Each change emits Changed, at once,
// inside the code that made it, so the window can save the folder pair.

#include <QColor>
#include <QGroupBox>
#include <QIcon>
#include <QRect>
#include <string>

#include "fs/file_system.h"
#include "panes/drive_list.h"
#include "panes/file_list.h"
#include "panes/folder_list.h"
#include "platform/dialogs.h"
#include "platform/qt/drives.h"

class QPushButton;

namespace shotsweep {

// Where a pane and its controls stand, the pane in its parent, the controls in the pane.
struct PaneLayout {
  QRect frame, drives, copyPath, folders, files, refresh;
};

// What tells the two panes apart.
struct PaneLook {
  QString caption;
  QColor captionColour;
  const char* name;  // "raw" or "jpg": the start of the controls' object names
  QString copyPathText;
  QString copyPathTip;
  QIcon refresh;
};

class Pane : public QGroupBox {
  Q_OBJECT

 public:
  Pane(const PaneLook& look, const PaneLayout& layout, DriveTable& drives, FileSystem& fs, QWidget* parent);

  DriveList& drives() { return *drives_; }
  FolderList& folders() { return *folders_; }
  FileList& files() { return *files_; }
  QPushButton& copyPathButton() { return *copyPath_; }
  QPushButton& refreshButton() { return *refresh_; }

  // The frame's caption as it is drawn: the title, and how many files the list holds once it
  // has them ("RAW files to delete (12 files)"). title() stays the bare title.
  QString Caption() const;

  // The open folder; empty before any is opened.
  std::string Folder() const { return folders_->Path(); }
  // Takes the drive and then the folder of `other`.
  void ShowFolderOf(Pane& other);
  // Asks for a name and creates that one folder in the open folder, which stays open. Cancel
  // or an empty name does nothing; a name holding a path separator, or one that exists,
  // creates nothing, silently. The subfolders are listed again in any case but the first.
  void CreateFolder(Dialogs& dialogs);

 signals:
  // The drive or the folder changed.
  void Changed();

 protected:
  // The caption has a colour of its own; the controls inside keep the default.
  void paintEvent(QPaintEvent* event) override;

 private:
  // A drive whose folder cannot be opened keeps the pane on its folder.
  void DriveChosen();
  void FolderOpened();

  DriveTable& driveTable_;
  FileSystem& fs_;
  QColor captionColour_;
  DriveList* drives_;
  QPushButton* copyPath_;
  FolderList* folders_;
  FileList* files_;
  QPushButton* refresh_;
};

}  // namespace shotsweep

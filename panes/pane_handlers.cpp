#include "panes/pane_handlers.h"

#include "settings/module1.h"

namespace shotsweep {

void DriveChange(Pane pane, const DriveTable& drives, const SavePair& save) {
  if (const std::optional<Drive> drive = drives.Find(pane.drive.Drive())) {
    pane.dir.SetPath(drives.CurrentFolder(*drive));
  }
  save();
}

void FolderChange(Pane pane, DriveTable& drives, const SavePair& save) {
  const std::string folder = pane.dir.Path();
  pane.file.SetPath(folder);
  drives.Remember(folder);
  save();
}

void CopyPanePath(Pane from, Pane to, const SavePair& save) {
  to.drive.SetDrive(from.drive.Drive());
  to.dir.SetPath(from.dir.Path());
  save();
}

void CreateFolder(Dialogs& dialogs, FileSystem& fs, FolderList& dir) {
  const std::string name = dialogs.InputBox("Enter Folder Name:", "Create New Folder", "JPG");
  if (name.empty()) return;
  // One level only: a name that reaches into another folder is not a folder name.
  const std::string folder = dir.Path();
  if (!folder.empty() && name.find_first_of(std::string{'/', kNativeSeparator}) == std::string::npos) {
    fs.MakeFolder(WithTrailingSeparator(folder) + name);
  }
  dir.Refresh();
}

}  // namespace shotsweep

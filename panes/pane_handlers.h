#pragma once
// What runs when a pane's drive or folder changes, and the small folder commands. Each change
// ends by saving the folder pair (`save`), so the next start reopens both panes where the
// user left them. Failures are silent: a drive whose folder cannot be opened keeps the pane
// on its folder, a folder that cannot be created is not created.

#include <functional>

#include "panes/drive_list.h"
#include "panes/file_list.h"
#include "panes/folder_list.h"
#include "platform/dialogs.h"
#include "platform/qt/drives.h"

namespace shotsweep {

// The three linked lists of one side of the window; cheap to pass around.
struct Pane {
  DriveList& drive;
  FolderList& dir;
  FileList& file;
};

using SavePair = std::function<void()>;

// The drive list changed: the folder list moves to that drive's current folder (its own
// change saves the pair and re-reads the files), then the pair is saved again.
void DriveChange(Pane pane, const DriveTable& drives, const SavePair& save);

// The folder list changed: the file list follows, the folder becomes its drive's current
// folder, and the pair is saved.
void FolderChange(Pane pane, DriveTable& drives, const SavePair& save);

// "path ->" and "<- path": `to` takes the drive and then the folder of `from`.
void CopyPanePath(Pane from, Pane to, const SavePair& save);

// Asks for a name and creates that one folder in `dir`'s folder, which stays open.
// Cancel or an empty name does nothing; a name holding a path separator, or one that exists,
// creates nothing. The subfolders are listed again in any case but the first.
void CreateFolder(Dialogs& dialogs, FileSystem& fs, FolderList& dir);

}  // namespace shotsweep

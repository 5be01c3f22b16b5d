#pragma once
// The open-file dialog the delete-by-list button asks for the photo list with.

#include <optional>
#include <string>

#include "platform/dialogs.h"

namespace shotsweep {

// The photo list the user picks; nullopt when the dialog was cancelled or gave a path too
// short to name a file (fewer than 5 characters) or a pattern (starting with "*"), which ends
// the command without a word.
std::optional<std::string> AskForPhotoList(Dialogs& dialogs);

}  // namespace shotsweep

#pragma once
// The few file-system calls that change files. Each returns 0 or the errno of the failure.

#include <string>

namespace shotsweep::batch {

// Renames without ever replacing an existing file, also where the file system cannot say so
// atomically.
int RenameNoReplace(const std::string& from, const std::string& to);
int Unlink(const std::string& path);
// Copies contents, permissions and modification time. The new content goes to a temporary
// file beside the target that then replaces it, so a failed copy leaves the old target whole.
int CopyFile(const std::string& from, const std::string& to);
bool SameFile(const std::string& a, const std::string& b);

}  // namespace shotsweep::batch

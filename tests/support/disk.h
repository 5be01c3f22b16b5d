#pragma once
// The disk, made once for a test program: a pane reads it on worker threads that may outlive
// the window of one test.

#include "fs/file_system.h"

namespace shotsweep::testing {

inline FileSystem& TestDisk() {
  static const auto disk = MakeDiskFileSystem();
  return *disk;
}

}  // namespace shotsweep::testing

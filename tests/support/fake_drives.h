#pragma once
// Made-up drives for the window's drive lists.

#include <vector>

#include "platform/qt/drives.h"

namespace shotsweep::testing {

class FakeDrives : public DriveSource {
 public:
  std::vector<Drive> Drives() override { return drives; }
  std::vector<Drive> drives;
};

}  // namespace shotsweep::testing

#include "base/errors.h"

#include <cstring>

namespace shotsweep {

CommandError ErrnoError(int err) { return CommandError{err, std::strerror(err)}; }

CommandError ErrnoError(int err, const std::string& path) {
  return CommandError{err, std::string(std::strerror(err)) + ": " + path};
}

}  // namespace shotsweep

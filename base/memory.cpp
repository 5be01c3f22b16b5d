#include "base/memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <string>
#include <limits>

namespace shotsweep {
namespace {

// A "Key: N kB" figure of a /proc file, in bytes; 0 when it is not there.
std::size_t KilobytesFigure(const char* file, const char* key) {
  std::FILE* in = std::fopen(file, "re");
  if (!in) return 0;
  char line[256];
  std::size_t value = 0;
  const std::size_t keyLength = std::strlen(key);
  while (std::fgets(line, sizeof line, in)) {
    unsigned long long kilobytes = 0;
    if (std::strncmp(line, key, keyLength) == 0 && std::sscanf(line + keyLength, " %llu", &kilobytes) == 1) {
      value = static_cast<std::size_t>(kilobytes) * 1024;
      break;
    }
  }
  std::fclose(in);
  return value;
}

}  // namespace

std::size_t AvailableMemory() {
  std::size_t available = KilobytesFigure("/proc/meminfo", "MemAvailable:");
  if (available == 0) {
    const long pages = ::sysconf(_SC_AVPHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
    available = pages > 0 && size > 0 ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(size)
                                      : std::numeric_limits<std::size_t>::max();
  }
  // A limit on the address space leaves only what the process has not mapped yet.
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const std::size_t mapped = KilobytesFigure("/proc/self/status", "VmSize:");
    const std::size_t cap = static_cast<std::size_t>(limit.rlim_cur);
    available = std::min(available, cap > mapped ? cap - mapped : 0);
  }
  return available;
}

std::optional<CommandError> RefuseTooLargeForMemory(std::size_t needed) {
  const std::size_t available = AvailableMemory();
  if (needed <= available) return std::nullopt;
  const auto megabytes = [](std::size_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20); };
  return CommandError{ENOMEM, "The photo list is too long for the memory there is: the cleanup needs about " +
                                  megabytes(needed) + " MB of memory more, and " + megabytes(available) +
                                  " MB are free. Nothing was changed. Close other programs and run the cleanup "
                                  "again."};
}

}  // namespace shotsweep

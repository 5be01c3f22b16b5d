#pragma once
// How much memory this process may still take: what the system has free for it (its page
// cache counted, as the system would give that up) and what its own limits leave.

#include <cstddef>

namespace shotsweep {

// In bytes; the largest value a size holds when nothing tells.
std::size_t AvailableMemory();

}  // namespace shotsweep

#pragma once
// How much memory this process may still take: what the system has free for it (its page
// cache counted, as the system would give that up) and what its own limits leave.

#include <cstddef>
#include <optional>

#include "base/errors.h"

namespace shotsweep {

// In bytes; the largest value a size holds when nothing tells.
std::size_t AvailableMemory();

// The error for a cleanup that would need `needed` more bytes than AvailableMemory gives, said
// before anything is written; nullopt when they are there.
std::optional<CommandError> RefuseTooLargeForMemory(std::size_t needed);

}  // namespace shotsweep

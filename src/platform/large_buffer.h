// Asks the system to back a large buffer with big pages. Each first touch of a small page costs
// a fault, and on virtual machines a fault costs as much as reading tens of kilobytes: for a
// buffer of many megabytes the faults, not the copying, were the run's largest cost. Where the
// system has no such advice this does nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace platform {

inline void AdviseLargeBuffer([[maybe_unused]] void* data, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only whole big pages inside the buffer can be advised; a buffer smaller than one is left.
  constexpr std::uintptr_t kBigPage = 2 * 1024 * 1024;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kBigPage - 1) & ~(kBigPage - 1);
  const std::uintptr_t last = (start + size) & ~(kBigPage - 1);
  if (last > first) {
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // advice: may fail
  }
#endif
}

}  // namespace platform

#include "mapped_pages.hpp"

#include <sys/mman.h>

#include <cstdlib>

namespace norvi::client::detail {

void* map_pages(std::size_t bytes) noexcept {
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void unmap_pages(void* pages, std::size_t bytes) noexcept { ::munmap(pages, bytes); }

void* allocate_zeroed(std::size_t bytes) noexcept {
  return bytes >= kMappedArrayBytes ? map_pages(bytes) : std::calloc(1, bytes);
}

void release_zeroed(void* data, std::size_t bytes) noexcept {
  if (bytes >= kMappedArrayBytes) {
    unmap_pages(data, bytes);
  } else {
    std::free(data);
  }
}

}  // namespace norvi::client::detail

#include "mapped_pages.hpp"

#include <sys/mman.h>

namespace norvi::client::detail {

void* map_pages(std::size_t bytes) noexcept {
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void unmap_pages(void* pages, std::size_t bytes) noexcept { ::munmap(pages, bytes); }

}  // namespace norvi::client::detail

// The program's large blocks on huge pages. A passage across an ocean
// fills some hundred megabytes of tables (the coast's index, the cells'
// states); made in pages of 4 KiB, the kernel's work to make them is
// nearly half of loading the coast, and in pages of 2 MiB a small part of
// it. Linux makes huge pages only where asked (madvise): every block of
// 2 MiB or more is asked for on a boundary of 2 MiB and so marked. (The
// program's own: the library leaves memory to whoever links it. Not under
// the sanitizers, which keep their own books of new and delete.)
#if defined(__linux__) && !defined(__EMSCRIPTEN__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

void* Allocate(std::size_t size) {
  if (size >= kHugePage) {
    const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    if (void* p = std::aligned_alloc(kHugePage, rounded)) {
      madvise(p, rounded, MADV_HUGEPAGE);  // a hint: refused, the pages are ordinary ones
      return p;
    }
  }
  return std::malloc(size > 0 ? size : 1);
}

}  // namespace

void* operator new(std::size_t size) {
  for (;;) {
    if (void* p = Allocate(size)) return p;
    const std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

#endif

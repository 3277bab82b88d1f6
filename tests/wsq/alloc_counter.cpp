#include "alloc_counter.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t n, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void __libc_free(void* p);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {
std::atomic<std::size_t> g_current{0};
std::atomic<std::size_t> g_peak{0};

void added(void* p) {
  if (p == nullptr) return;
  const std::size_t now = g_current.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
  std::size_t old = g_peak.load();
  while (now > old && !g_peak.compare_exchange_weak(old, now)) {
  }
}

void removed(void* p) {
  if (p != nullptr) g_current.fetch_sub(malloc_usable_size(p));
}
}  // namespace

namespace wsqtest::alloc {
std::size_t current() { return g_current.load(); }
std::size_t reset_peak() {
  g_peak.store(g_current.load());
  return g_peak.load();
}
std::size_t peak() { return g_peak.load(); }
}  // namespace wsqtest::alloc

extern "C" {
void* malloc(std::size_t size) {
  void* p = __libc_malloc(size);
  added(p);
  return p;
}
void* calloc(std::size_t n, std::size_t size) {
  void* p = __libc_calloc(n, size);
  added(p);
  return p;
}
void* realloc(void* old, std::size_t size) {
  const std::size_t before = old != nullptr ? malloc_usable_size(old) : 0;
  void* p = __libc_realloc(old, size);
  if (p == nullptr) return nullptr;  // the old block stays
  g_current.fetch_sub(before);
  added(p);
  return p;
}
void free(void* p) {
  removed(p);
  __libc_free(p);
}
void* memalign(std::size_t alignment, std::size_t size) {
  void* p = __libc_memalign(alignment, size);
  added(p);
  return p;
}
void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  void* p = memalign(alignment, size);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}
}

// Counts the live heap bytes of the whole process by standing in for the C allocator, so the
// benchmark can report the peak memory the install itself needs.
#include "heap_meter.h"

#include <errno.h>
#include <malloc.h>
#include <stddef.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

size_t live;
size_t peak;

void Added(void* block) {
  if (block == NULL) return;
  live += malloc_usable_size(block);
  if (live > peak) peak = live;
}

void Removed(void* block) {
  if (block != NULL) live -= malloc_usable_size(block);
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
  void* block = __libc_malloc(size);
  Added(block);
  return block;
}

void* calloc(size_t count, size_t size) {
  void* block = __libc_calloc(count, size);
  Added(block);
  return block;
}

void* realloc(void* block, size_t size) {
  size_t before = block != NULL ? malloc_usable_size(block) : 0;
  void* moved = __libc_realloc(block, size);
  if (moved == NULL) return NULL;
  live -= before;
  Added(moved);
  return moved;
}

void free(void* block) {
  Removed(block);
  __libc_free(block);
}

void* memalign(size_t alignment, size_t size) {
  void* block = __libc_memalign(alignment, size);
  Added(block);
  return block;
}

void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, size_t alignment, size_t size) {
  void* block = memalign(alignment, size);
  if (block == NULL) return ENOMEM;
  *out = block;
  return 0;
}

}  // extern "C"

size_t HeapLive() { return live; }
size_t HeapPeak() { return peak; }
void ResetHeapPeak() { peak = live; }

#include "platform/rtl/smallblocks.h"

#include <mutex>
#include <new>
#include <vector>

// Sanitizer builds use the general heap for every block, so their checks see each one.
#if defined(__SANITIZE_ADDRESS__)
#define FANO_SMALL_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FANO_SMALL_POOL 0
#endif
#endif
#ifndef FANO_SMALL_POOL
#define FANO_SMALL_POOL 1
#endif

#if FANO_SMALL_POOL
namespace {

constexpr size_t kGrain = 8;
constexpr size_t kClasses = 32;
constexpr size_t kSlab = 64 * 1024;

struct FreeBlock {
  FreeBlock* next;
};

struct Pool {
  FreeBlock* free[kClasses] = {};
  char* next = nullptr;
  char* end = nullptr;
};

thread_local Pool tPool;

// Slabs are never returned: they stay reachable for leak checkers and for blocks released after
// their thread ended.
std::mutex gSlabsMutex;
std::vector<void*>& Slabs() {
  static auto* slabs = new std::vector<void*>();
  return *slabs;
}

}  // namespace

void* NewSmallBlock(size_t bytes) {
  const size_t cls = bytes == 0 ? 0 : (bytes - 1) / kGrain;
  if (cls >= kClasses) return ::operator new(bytes);
  Pool& pool = tPool;
  if (FreeBlock* b = pool.free[cls]) {
    pool.free[cls] = b->next;
    // The next block of the class is asked for while this one is used: a list given back by a
    // whole table lies in memory long out of the cache, and the next take would wait for it.
    if (b->next) __builtin_prefetch(b->next, 1);
    return b;
  }
  const size_t size = (cls + 1) * kGrain;
  if (static_cast<size_t>(pool.end - pool.next) < size) {
    char* slab = static_cast<char*>(::operator new(kSlab));
    {
      std::lock_guard<std::mutex> lock(gSlabsMutex);
      Slabs().push_back(slab);
    }
    pool.next = slab;
    pool.end = slab + kSlab;
  }
  void* b = pool.next;
  pool.next += size;
  return b;
}

void FreeSmallBlock(void* block, size_t bytes) noexcept {
  if (!block) return;
  const size_t cls = bytes == 0 ? 0 : (bytes - 1) / kGrain;
  if (cls >= kClasses) {
    ::operator delete(block);
    return;
  }
  auto* b = static_cast<FreeBlock*>(block);
  b->next = tPool.free[cls];
  tPool.free[cls] = b;
}
#else
void* NewSmallBlock(size_t bytes) { return ::operator new(bytes); }
void FreeSmallBlock(void* block, size_t) noexcept { ::operator delete(block); }
#endif

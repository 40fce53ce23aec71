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

// 8-byte steps up to 256 bytes (texts), then 64-byte steps up to 2 KiB (rows of a wide table,
// made and freed by the thousand when a reply is read and copied).
constexpr size_t kGrain = 8;
constexpr size_t kSmallClasses = 32;
constexpr size_t kWideGrain = 64;
constexpr size_t kLargest = 2048;
constexpr size_t kClasses = kSmallClasses + (kLargest - kSmallClasses * kGrain) / kWideGrain;
constexpr size_t kSlab = 64 * 1024;

// The class of a block of that size (kClasses and above: the general heap's).
[[gnu::always_inline]] inline size_t ClassOf(size_t bytes) noexcept {
  if (bytes <= kSmallClasses * kGrain) return bytes == 0 ? 0 : (bytes - 1) / kGrain;
  return bytes > kLargest ? kClasses : kSmallClasses + (bytes - kSmallClasses * kGrain - 1) / kWideGrain;
}

constexpr size_t ClassBytes(size_t cls) noexcept {
  return cls < kSmallClasses ? (cls + 1) * kGrain : kSmallClasses * kGrain + (cls - kSmallClasses + 1) * kWideGrain;
}
static_assert(ClassBytes(kClasses - 1) == kLargest);

struct FreeBlock {
  FreeBlock* next;
};

// Each class is carved from slabs of its own: the blocks a table gives back then lie in its class's
// slabs in the order they were made, and a table made after it takes them again in an order that
// walks memory one way. Carved from one slab for every class, the rows and texts of one table
// would be scattered among another's once their blocks were reused, and its scans would wait on
// memory.
struct Pool {
  FreeBlock* free[kClasses] = {};
  char* next[kClasses] = {};
  char* end[kClasses] = {};
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
  const size_t cls = ClassOf(bytes);
  if (cls >= kClasses) return ::operator new(bytes);
  Pool& pool = tPool;
  if (FreeBlock* b = pool.free[cls]) {
    pool.free[cls] = b->next;
    // The next block of the class is asked for while this one is used: a list given back by a
    // whole table lies in memory long out of the cache, and the next take would wait for it.
    if (b->next) __builtin_prefetch(b->next, 1);
    return b;
  }
  const size_t size = ClassBytes(cls);
  if (static_cast<size_t>(pool.end[cls] - pool.next[cls]) < size) {
    char* slab = static_cast<char*>(::operator new(kSlab));
    {
      std::lock_guard<std::mutex> lock(gSlabsMutex);
      Slabs().push_back(slab);
    }
    pool.next[cls] = slab;
    pool.end[cls] = slab + kSlab;
  }
  void* b = pool.next[cls];
  pool.next[cls] += size;
  return b;
}

void FreeSmallBlock(void* block, size_t bytes) noexcept {
  if (!block) return;
  const size_t cls = ClassOf(bytes);
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

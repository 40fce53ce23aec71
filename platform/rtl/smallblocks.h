#pragma once
// Small blocks for the many short-lived objects of a table: texts and rows. They come from
// per-thread free lists by size class (8-byte steps up to 256 bytes, 64-byte steps up to 2 KiB),
// each class carved from slabs of its own; larger blocks go to the general heap, which spends
// several times the work on each block and rounds every one up to 16 bytes with an 8-byte header.
//
// A block is released with the size it was asked for, on any thread: it joins that thread's list.
// Blocks are 8-byte aligned. Taking and giving back a block are inline: a reply of a thousand rows
// makes tens of thousands of them.
#include <cstddef>
#include <new>

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
namespace smallblocks {

// 8-byte steps up to 256 bytes (texts), then 64-byte steps up to 2 KiB (rows of a wide table,
// made and freed by the thousand when a reply is read and copied).
constexpr size_t kGrain = 8;
constexpr size_t kSmallClasses = 32;
constexpr size_t kWideGrain = 64;
constexpr size_t kLargest = 2048;
constexpr size_t kClasses = kSmallClasses + (kLargest - kSmallClasses * kGrain) / kWideGrain;

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

extern thread_local constinit Pool tPool;

// A block of a class from a new slab.
void* Carve(size_t cls);

}  // namespace smallblocks

inline void* NewSmallBlock(size_t bytes) {
  using namespace smallblocks;
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
  char* next = pool.next[cls];
  if (static_cast<size_t>(pool.end[cls] - next) < ClassBytes(cls)) return Carve(cls);
  pool.next[cls] = next + ClassBytes(cls);
  return next;
}

inline void FreeSmallBlock(void* block, size_t bytes) noexcept {
  using namespace smallblocks;
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
inline void* NewSmallBlock(size_t bytes) { return ::operator new(bytes); }
inline void FreeSmallBlock(void* block, size_t) noexcept { ::operator delete(block); }
#endif

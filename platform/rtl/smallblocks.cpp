#include "platform/rtl/smallblocks.h"

#if FANO_SMALL_POOL
#include <mutex>
#include <vector>

namespace smallblocks {

thread_local constinit Pool tPool;

namespace {

constexpr size_t kSlab = 64 * 1024;

// Slabs are never returned: they stay reachable for leak checkers and for blocks released after
// their thread ended.
std::mutex gSlabsMutex;
std::vector<void*>& Slabs() {
  static auto* slabs = new std::vector<void*>();
  return *slabs;
}

}  // namespace

void* Carve(size_t cls) {
  char* slab = static_cast<char*>(::operator new(kSlab));
  {
    std::lock_guard<std::mutex> lock(gSlabsMutex);
    Slabs().push_back(slab);
  }
  tPool.next[cls] = slab + ClassBytes(cls);
  tPool.end[cls] = slab + kSlab;
  return slab;
}

}  // namespace smallblocks
#endif

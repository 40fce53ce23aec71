#include "platform/rtl/smallblocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

// Whether blocks come from the free lists (sanitizer builds hand every block to the general heap).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPooled = false;
#else
constexpr bool kPooled = true;
#endif
#else
constexpr bool kPooled = true;
#endif

struct Held {
  unsigned char* p;
  size_t bytes;
  unsigned char mark;
};

TEST(SmallBlocks, EverySizeIsAlignedAndHoldsItsBytesApartFromItsNeighbours) {
  std::vector<Held> held;
  // Three rounds of every size across the pooled classes and past them, all alive at once.
  for (int round = 0; round < 3; ++round)
    for (size_t bytes = 1; bytes <= 300; ++bytes) {
      auto* p = static_cast<unsigned char*>(NewSmallBlock(bytes));
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u) << bytes;
      const auto mark = static_cast<unsigned char>(held.size() * 7 + 1);
      std::memset(p, mark, bytes);
      held.push_back({p, bytes, mark});
    }
  for (const Held& h : held)
    for (size_t i = 0; i < h.bytes; ++i) ASSERT_EQ(h.p[i], h.mark) << "block of " << h.bytes << " overwritten at " << i;
  for (const Held& h : held) FreeSmallBlock(h.p, h.bytes);
}

TEST(SmallBlocks, AReleasedBlockServesTheNextOfItsClass) {
  if (!kPooled) GTEST_SKIP() << "sanitizer builds use the general heap";
  void* a = NewSmallBlock(40);
  FreeSmallBlock(a, 40);
  // 33 to 40 bytes share a class.
  void* b = NewSmallBlock(33);
  EXPECT_EQ(b, a);
  // Another class does not take it.
  FreeSmallBlock(b, 33);
  void* c = NewSmallBlock(48);
  EXPECT_NE(c, a);
  void* d = NewSmallBlock(40);
  EXPECT_EQ(d, a);
  FreeSmallBlock(c, 48);
  FreeSmallBlock(d, 40);
}

TEST(SmallBlocks, ABlockMayBeReleasedOnAnotherThread) {
  std::vector<void*> made;
  for (int i = 0; i < 1000; ++i) {
    void* p = NewSmallBlock(24);
    std::memset(p, 0x5A, 24);
    made.push_back(p);
  }
  size_t reused = 0;
  std::thread other([&] {
    for (void* p : made) FreeSmallBlock(p, 24);
    // They joined this thread's list: it hands them out again.
    std::vector<void*> again;
    for (int i = 0; i < 1000; ++i) {
      void* p = NewSmallBlock(24);
      std::memset(p, 0x11, 24);
      again.push_back(p);
    }
    const std::set<void*> earlier(made.begin(), made.end());
    for (void* p : again) reused += earlier.count(p);
    for (void* p : again) FreeSmallBlock(p, 24);
  });
  other.join();
  if (kPooled) {
    EXPECT_EQ(reused, 1000u);
  }
  // This thread still makes and releases blocks of that class.
  void* p = NewSmallBlock(24);
  std::memset(p, 0x22, 24);
  FreeSmallBlock(p, 24);
}

TEST(SmallBlocks, NullReleaseIsHarmless) {
  FreeSmallBlock(nullptr, 16);
  void* p = NewSmallBlock(16);
  EXPECT_NE(p, nullptr);
  FreeSmallBlock(p, 16);
}

}  // namespace

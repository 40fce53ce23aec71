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
    for (size_t bytes = 1; bytes <= 2200; bytes += bytes < 300 ? 1 : 7) {
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

// A block of `bytes` given back serves the next block of `same` bytes (its class); one of `other`
// bytes (the next class up) takes another block, and the block serves `bytes` again.
void ExpectOneClass(size_t bytes, size_t same, size_t other) {
  void* a = NewSmallBlock(bytes);
  FreeSmallBlock(a, bytes);
  void* b = NewSmallBlock(same);
  EXPECT_EQ(b, a) << same << " after " << bytes;
  FreeSmallBlock(b, same);
  void* c = NewSmallBlock(other);
  EXPECT_NE(c, a) << other << " after " << bytes;
  void* d = NewSmallBlock(bytes);
  EXPECT_EQ(d, a) << bytes << " again";
  FreeSmallBlock(c, other);
  FreeSmallBlock(d, bytes);
}

TEST(SmallBlocks, AReleasedBlockServesTheNextOfItsClass) {
  if (!kPooled) GTEST_SKIP() << "sanitizer builds use the general heap";
  // 33 to 40 bytes share a class.
  ExpectOneClass(40, 33, 48);
}

TEST(SmallBlocks, RowSizedBlocksShareClassesOf64Bytes) {
  if (!kPooled) GTEST_SKIP() << "sanitizer builds use the general heap";
  // A row of a 45-column table: 705 to 768 bytes share a class, the next one up does not.
  ExpectOneClass(768, 705, 769);
  // 2 KiB is the largest pooled block, from 1985 on; 257 bytes starts the wide classes, apart
  // from 256.
  ExpectOneClass(2048, 1985, 1984);
  ExpectOneClass(256, 249, 257);
}

// A table makes rows and texts of many sizes in turn; each size's blocks still lie one after
// another, so that the rows a later table takes again after a release walk memory one way.
TEST(SmallBlocks, EachClassIsCarvedApartFromTheOthers) {
  if (!kPooled) GTEST_SKIP() << "sanitizer builds use the general heap";
  // On a thread of its own, whose lists hold no block given back before. A row of 1,000 bytes
  // takes a block of 1,024.
  std::thread([] {
    auto textSize = [](size_t i) { return 1100 + (i % 4) * 100; };
    std::vector<char*> rows, texts, wide;
    for (size_t i = 0; i < 200; ++i) {
      rows.push_back(static_cast<char*>(NewSmallBlock(1000)));
      texts.push_back(static_cast<char*>(NewSmallBlock(textSize(i))));
      wide.push_back(static_cast<char*>(NewSmallBlock(1900)));
    }
    // Each row follows the one before, but where a slab ends.
    size_t adjacent = 0;
    for (size_t i = 1; i < rows.size(); ++i) adjacent += rows[i] - rows[i - 1] == 1024;
    EXPECT_GE(adjacent, rows.size() - 5);
    for (void* p : rows) FreeSmallBlock(p, 1000);
    // Given back in order and taken again: the same blocks, in the reverse order.
    std::vector<char*> again;
    for (size_t i = 0; i < rows.size(); ++i) again.push_back(static_cast<char*>(NewSmallBlock(1000)));
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(again[i], rows[rows.size() - 1 - i]);
    for (void* p : again) FreeSmallBlock(p, 1000);
    for (size_t i = 0; i < texts.size(); ++i) FreeSmallBlock(texts[i], textSize(i));
    for (void* p : wide) FreeSmallBlock(p, 1900);
  }).join();
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

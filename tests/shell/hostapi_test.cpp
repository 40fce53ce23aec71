#include "shell/hostapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(HostArgRecord, NameIsZeroPaddedAndCutAtTwentyBytes) {
  TArgRec rec;
  rec.SetName("arg");
  EXPECT_EQ(rec.Name(), "arg");
  for (size_t i = 3; i < sizeof rec.ArgName; ++i) EXPECT_EQ(rec.ArgName[i], '\0') << i;

  rec.SetName("abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(rec.Name(), "abcdefghijklmnopqrst");  // all twenty bytes, no terminator needed

  rec.SetName("x");  // a shorter name clears the rest of the old one
  EXPECT_EQ(rec.Name(), "x");
  EXPECT_EQ(rec.ArgName[5], '\0');
}

TEST(HostArgRecord, ValueIsLengthPrefixedAndNeverSplitsACharacter) {
  TArgRec rec;
  rec.SetValue("1024");
  EXPECT_EQ(rec.ArgValue[0], 4);
  EXPECT_EQ(rec.Value(), "1024");

  std::string longText(300, 'a');
  rec.SetValue(longText);
  EXPECT_EQ(rec.Value().size(), 255u);

  // 85 Chinese characters are 255 bytes; one more would need 258: the cut keeps whole ones.
  std::string chinese;
  for (int i = 0; i < 86; ++i) chinese += "商";
  rec.SetValue(chinese);
  EXPECT_EQ(rec.Value().size(), 255u);
  EXPECT_EQ(rec.Value().substr(252), "商");

  std::string name = "商户商户商户商户"; // 24 bytes: six whole characters fit in 20
  rec.SetName(name);
  EXPECT_EQ(rec.Name(), "商户商户商户");
}

TEST(HostArgRecord, ArraysHoldPackedRecordsAsTheHostReadsThem) {
  TArgArr args(2);
  args[0].SetName("arg");
  args[0].ArgKind = 0;
  args[0].ArgFlag = true;
  args[0].SetValue("17");
  args[1].SetName("second");
  const auto* bytes = reinterpret_cast<const unsigned char*>(args.data());
  EXPECT_EQ(std::memcmp(bytes, "arg\0", 4), 0);
  EXPECT_EQ(bytes[21], 1);           // the flag follows name and kind
  EXPECT_EQ(bytes[22], 2);           // value length
  EXPECT_EQ(bytes[23], '1');
  EXPECT_EQ(std::memcmp(bytes + 278, "second", 6), 0);  // the next record starts at 278
}

}  // namespace

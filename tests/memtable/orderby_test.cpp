#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memtable/orderby.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace {

class Names : public TOrderByList {
 public:
  int FieldIndexByName(std::string_view name) const override {
    const char* names[] = {"NAME", "ID", "CODE"};
    for (int i = 0; i < 3; ++i)
      if (SameText(name, names[i])) return i;
    return -1;
  }
};

std::vector<TOrderByItemGx> Parse(std::string_view text) {
  Names list;
  list.ParseOrderByStr(text);
  return list.Items();
}

std::string OrderByErrorOf(std::string_view text) {
  Names list;
  try {
    list.ParseOrderByStr(text);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

using Keys = std::vector<TOrderByItemGx>;

TEST(OrderByList, KeysAndDirections) {
  EXPECT_EQ(Parse("NAME DESC, ID"), (Keys{{0, true}, {1, false}}));
  EXPECT_EQ(Parse("NAME;ID ASC DESC"), (Keys{{0, false}, {1, true}}));
  EXPECT_EQ(Parse("name desc;code asc"), (Keys{{0, true}, {2, false}}));
  EXPECT_EQ(Parse("  ID  "), (Keys{{1, false}}));
  EXPECT_EQ(Parse("NAME,ID,CODE"), (Keys{{0, false}, {1, false}, {2, false}}));
  // A trailing separator is accepted.
  EXPECT_EQ(Parse("NAME DESC,"), (Keys{{0, true}}));
  EXPECT_EQ(Parse("NAME ;"), (Keys{{0, false}}));
}

TEST(OrderByList, DescendingIsNotUndoneByAsc) {
  // Once DESC has appeared the key stays descending: ASC never clears it.
  EXPECT_EQ(Parse("NAME DESC ASC"), (Keys{{0, true}}));
  EXPECT_EQ(Parse("NAME ASC DESC ASC, ID"), (Keys{{0, true}, {1, false}}));
  EXPECT_EQ(Parse("NAME ASC ASC"), (Keys{{0, false}}));
}

TEST(OrderByList, Errors) {
  EXPECT_EQ(OrderByErrorOf("NAME,,ID"), " Field - \",\" not found.");
  EXPECT_EQ(OrderByErrorOf("NAME ID"), " Invalid token - \"ID\"");
  EXPECT_EQ(OrderByErrorOf("PRICE"), " Field - \"PRICE\" not found.");
  EXPECT_EQ(OrderByErrorOf("NAME DOWN"), " Invalid token - \"DOWN\"");
  EXPECT_EQ(OrderByErrorOf(", NAME"), " Field - \",\" not found.");
  EXPECT_EQ(OrderByErrorOf("NAME, ID PRICE"), " Invalid token - \"PRICE\"");
  // The base list knows no fields.
  TOrderByList base;
  EXPECT_THROW(base.ParseOrderByStr("NAME"), Exception);
}

TEST(OrderByList, FailedOrEmptyParsesKeepTheKeys) {
  Names list;
  list.ParseOrderByStr("NAME DESC, ID");
  EXPECT_THROW(list.ParseOrderByStr("CODE, PRICE"), Exception);
  EXPECT_EQ(list.Items(), (Keys{{0, true}, {1, false}}));
  list.ParseOrderByStr("");
  list.ParseOrderByStr("   ");
  EXPECT_EQ(list.Count(), 2);
  list.ParseOrderByStr("CODE");
  EXPECT_EQ(list.Items(), (Keys{{2, false}}));
  EXPECT_THROW(list.GetItem(1), EListError);
}

TEST(OrderByList, TokensStopAtNul) {
  EXPECT_EQ(Parse(std::string_view("ID\0NAME", 7)), (Keys{{1, false}}));
}

}  // namespace

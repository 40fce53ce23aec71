#include "platform/rtl/lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace {

// An object that counts its destructions, to see who frees what.
struct Counted : TObject {
  explicit Counted(int* counter, int id = 0) : counter(counter), id(id) {}
  ~Counted() override { ++*counter; }
  int* counter;
  int id;
};

std::vector<std::string> Items(const TStrings& s) { return s.ToVector(); }

using V = std::vector<std::string>;

}  // namespace

TEST(TListTest, IndexErrorsCarryTheIndex) {
  TList list;
  int a = 1, b = 2;
  list.Add(&a);
  list.Add(&b);
  try {
    list.Items(2);
    FAIL() << "no exception";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(3, &a), EListError);
  EXPECT_THROW(list.Move(0, 2), EListError);
  EXPECT_THROW(list.SetCount(-1), EListError);
  list.Insert(2, &a);  // at the end is allowed
  EXPECT_EQ(list.Count(), 3);
}

TEST(TListTest, MoveExchangeRemovePack) {
  TList list;
  int v[4] = {0, 1, 2, 3};
  for (int& x : v) list.Add(&x);
  list.Move(0, 3);
  EXPECT_EQ(list[0], &v[1]);
  EXPECT_EQ(list[3], &v[0]);
  list.Exchange(0, 1);
  EXPECT_EQ(list[0], &v[2]);
  EXPECT_EQ(list.Remove(&v[3]), 2);
  EXPECT_EQ(list.Remove(&v[3]), -1);
  list.SetCount(5);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list[4], nullptr);
  list.Pack();
  EXPECT_EQ(list.Count(), 3);
  list.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
  EXPECT_EQ(list.First(), &v[0]);
  EXPECT_EQ(list.Last(), &v[2]);
}

TEST(TObjectListTest, OwningListFreesDeletedButNotExtracted) {
  int freed = 0;
  {
    TObjectList list;  // owns by default
    auto* a = new Counted(&freed);
    auto* b = new Counted(&freed);
    auto* c = new Counted(&freed);
    list.Add(a);
    list.Add(b);
    list.Add(c);
    list.Delete(0);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(list.Extract(b), b);
    EXPECT_EQ(freed, 1);
    delete b;
    EXPECT_EQ(freed, 2);
    list.SetItems(0, new Counted(&freed));  // replacing frees the old one
    EXPECT_EQ(freed, 3);
  }
  EXPECT_EQ(freed, 4);  // the destructor freed the last one

  freed = 0;
  Counted keep(&freed);
  {
    TObjectList list(false);
    list.Add(&keep);
    list.Clear();
  }
  EXPECT_EQ(freed, 0);
}

TEST(TStringListTest, UnsortedAddInsertDeleteAndIndexErrors) {
  TStringList s;
  s.Add("b");
  s.Add("a");
  s.Insert(0, "c");
  EXPECT_EQ(Items(s), (V{"c", "b", "a"}));
  s.Move(0, 2);
  EXPECT_EQ(Items(s), (V{"b", "a", "c"}));
  s.Exchange(0, 2);
  EXPECT_EQ(Items(s), (V{"c", "a", "b"}));
  s.SetStrings(1, "x");
  EXPECT_EQ(s[1], "x");
  s.Delete(1);
  EXPECT_EQ(Items(s), (V{"c", "b"}));
  try {
    s.Strings(5);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  EXPECT_THROW(s.Insert(3, "z"), EStringListError);
  EXPECT_THROW(s.Delete(-1), EListError);  // EStringListError is an EListError
}

TEST(TStringListTest, IndexOfIgnoresCaseUnlessCaseSensitive) {
  TStringList s;
  s.Add("Alpha");
  s.Add("beta");
  EXPECT_EQ(s.IndexOf("ALPHA"), 0);
  EXPECT_EQ(s.IndexOf("Beta"), 1);
  EXPECT_EQ(s.IndexOf("gamma"), -1);
  s.SetCaseSensitive(true);
  EXPECT_EQ(s.IndexOf("ALPHA"), -1);
  EXPECT_EQ(s.IndexOf("Alpha"), 0);
}

TEST(TStringListTest, SortedDuplicates) {
  TStringList s;
  s.SetSorted(true);
  EXPECT_EQ(s.Add("b"), 0);
  EXPECT_EQ(s.Add("a"), 0);
  EXPECT_EQ(s.Add("c"), 2);
  // dupIgnore (default): the index of the existing item, list unchanged; case is ignored.
  EXPECT_EQ(s.Add("B"), 1);
  EXPECT_EQ(Items(s), (V{"a", "b", "c"}));

  s.SetDuplicates(dupError);
  try {
    s.Add("A");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "String list does not allow duplicates");
  }
  EXPECT_EQ(s.Count(), 3);

  s.SetDuplicates(dupAccept);
  s.Add("b");
  s.Add("b");
  EXPECT_EQ(Items(s), (V{"a", "b", "b", "b", "c"}));
  int index = -1;
  EXPECT_TRUE(s.Find("b", index));
  EXPECT_EQ(index, 1);  // the first of the equal items
  EXPECT_FALSE(s.Find("bb", index));
  EXPECT_EQ(index, 4);  // where it would go

  EXPECT_THROW(s.Insert(0, "x"), EStringListError);
  EXPECT_THROW(s.SetStrings(0, "x"), EStringListError);
}

TEST(TStringListTest, SortedCaseSensitiveKeepsCaseVariants) {
  TStringList s;
  s.SetCaseSensitive(true);
  s.SetSorted(true);
  s.Add("a");
  s.Add("A");
  EXPECT_EQ(s.Count(), 2);
  EXPECT_GE(s.IndexOf("A"), 0);
  EXPECT_NE(s.IndexOf("A"), s.IndexOf("a"));
  // Turning case-sensitivity off re-sorts; the two now compare equal but both stay.
  s.SetCaseSensitive(false);
  EXPECT_EQ(s.Count(), 2);
}

TEST(TStringListTest, ChineseSortFollowsCollation) {
  // The collator orders Chinese by pinyin: 北京 (bei) < 广州 (guang) < 上海 (shang) < 深圳 (shen).
  TStringList s;
  for (const char* city : {"上海", "深圳", "北京", "广州"}) s.Add(city);
  s.Sort();
  EXPECT_EQ(Items(s), (V{"北京", "广州", "上海", "深圳"}));
  s.SetSorted(true);
  EXPECT_EQ(s.IndexOf("广州"), 1);
  s.Add("成都");  // cheng
  EXPECT_EQ(s.IndexOf("成都"), 1);
}

TEST(TStringListTest, CustomSortWithReverseOrderAndManyItems) {
  TStringList s;
  for (int i = 0; i < 500; ++i) s.Add(std::to_string((i * 7919) % 500));
  s.CustomSort([](TStringList* list, int a, int b) {
    int x = std::stoi(list->Strings(a)), y = std::stoi(list->Strings(b));
    return y - x;
  });
  ASSERT_EQ(s.Count(), 500);
  for (int i = 0; i < 500; ++i) EXPECT_EQ(s[i], std::to_string(499 - i));
}

TEST(TStringListTest, ObjectsTravelWithTheirStrings) {
  int freed = 0;
  {
    TStringList s(true);  // owns its objects
    s.AddObject("b", new Counted(&freed, 2));
    s.AddObject("a", new Counted(&freed, 1));
    s.Sort();
    EXPECT_EQ(static_cast<Counted*>(s.Objects(0))->id, 1);
    EXPECT_EQ(s.IndexOfObject(s.Objects(1)), 1);
    s.Delete(0);
    EXPECT_EQ(freed, 1);
  }
  EXPECT_EQ(freed, 2);
}

TEST(TStringListTest, NamesAndValues) {
  TStringList s;
  s.SetText("Server=db1\r\nPort=5432\r\nloose\r\n");
  EXPECT_EQ(s.Names(0), "Server");
  EXPECT_EQ(s.Names(2), "");
  EXPECT_EQ(s.Values("server"), "db1");  // names ignore case
  EXPECT_EQ(s.IndexOfName("PORT"), 1);
  EXPECT_EQ(s.ValueFromIndex(1), "5432");
  EXPECT_EQ(s.ValueFromIndex(2), "");  // no separator: no value, not a cut-off name
  s.SetValues("Port", "6000");
  EXPECT_EQ(s[1], "Port=6000");
  s.SetValues("User", "张三");
  EXPECT_EQ(s[3], "User=张三");
  s.SetValues("Server", "");
  EXPECT_EQ(s.IndexOfName("Server"), -1);
  s.SetValueFromIndex(0, "1");
  EXPECT_EQ(s[0], "Port=1");
  s.SetNameValueSeparator(':');
  s.Add("a:b");
  EXPECT_EQ(s.Values("A"), "b");
}

TEST(TStringListTest, TextUsesCrLfAndReadsAnyLineBreak) {
  TStringList s;
  s.SetText("one\ntwo\r\nthree\rfour");
  EXPECT_EQ(Items(s), (V{"one", "two", "three", "four"}));
  EXPECT_EQ(s.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  s.SetText("a\r\n\r\nb\r\n");
  EXPECT_EQ(Items(s), (V{"a", "", "b"}));
  s.SetText("");
  EXPECT_EQ(s.Count(), 0);
}

TEST(TStringListTest, CommaTextQuoting) {
  TStringList s;
  for (const char* item : {"plain", "with space", "a,b", "say \"hi\"", "", "费用 垫付", "单据"}) s.Add(item);
  const std::string text = s.CommaText();
  EXPECT_EQ(text, R"(plain,"with space","a,b","say ""hi""",,"费用 垫付",单据)");

  TStringList back;
  back.SetCommaText(text);
  EXPECT_EQ(Items(back), Items(s));

  // Unquoted blanks separate items; blanks around items are skipped; a trailing comma adds "".
  back.SetCommaText("  a b ,c,");
  EXPECT_EQ(Items(back), (V{"a", "b", "c", ""}));
  // A lone empty item survives the round trip.
  back.Clear();
  back.Add("");
  EXPECT_EQ(back.CommaText(), "\"\"");
  TStringList one;
  one.SetCommaText(back.CommaText());
  EXPECT_EQ(Items(one), (V{""}));
  // An unterminated quote takes the rest of the text and does not read past it.
  back.SetCommaText("\"abc");
  EXPECT_EQ(Items(back), (V{"abc"}));
}

TEST(TStringListTest, DelimitedTextWithOtherDelimiterAndQuote) {
  TStringList s;
  s.SetDelimiter(';');
  s.SetQuoteChar('\'');
  s.SetDelimitedText("x;'y;z';'it''s'");
  EXPECT_EQ(Items(s), (V{"x", "y;z", "it's"}));
  EXPECT_EQ(s.DelimitedText(), "x;'y;z';'it''s'");
  // CommaText is always "," and '"', whatever the settings.
  EXPECT_EQ(s.CommaText(), "x,y;z,it's");
  EXPECT_EQ(s.Delimiter(), ';');
}

TEST(TStringListTest, ChangeEventsAndUpdateNesting) {
  TStringList s;
  std::vector<std::string> log;
  s.OnChanging = [&](TObject*) { log.push_back("changing"); };
  s.OnChange = [&](TObject*) { log.push_back("change"); };
  s.Add("a");
  EXPECT_EQ(log, (V{"changing", "change"}));
  log.clear();
  s.BeginUpdate();
  s.BeginUpdate();
  s.Add("b");
  s.Add("c");
  s.EndUpdate();
  EXPECT_EQ(log, (V{"changing"}));
  s.EndUpdate();
  EXPECT_EQ(log, (V{"changing", "change"}));
  log.clear();
  s.EndUpdate();  // unbalanced: ignored
  EXPECT_TRUE(log.empty());
  s.SetText("x\r\ny");  // one change for the whole text
  EXPECT_EQ(log, (V{"changing", "change"}));
}

TEST(TStringListTest, AssignCopiesAndRefusesForeignClasses) {
  TStringList a, b;
  a.Add("1");
  a.SetDelimiter(';');
  b.Add("old");
  b.Assign(&a);
  EXPECT_EQ(Items(b), (V{"1"}));
  EXPECT_EQ(b.Delimiter(), ';');
  EXPECT_TRUE(b.Equals(&a));
  b.AddStrings(&b);  // adding itself doubles, once
  EXPECT_EQ(Items(b), (V{"1", "1"}));

  TPersistent other;
  try {
    b.Assign(&other);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TPersistent to a TStringList");
  }
  try {
    b.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a TStringList");
  }
}

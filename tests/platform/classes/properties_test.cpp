#include "platform/classes/published.h"

#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"
#include "test_components.h"

namespace {
std::vector<std::string> PropNames(TClass cls) {
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(cls)) names.push_back(p->Name);
  return names;
}

// Re-publishes an inherited property with another default, and adds one.
class TWideControl : public TTestControl {
  FANO_CLASS(TWideControl)
 public:
  using TTestControl::TTestControl;
  int Depth() const { return depth_; }
  void SetDepth(int v) { depth_ = v; }

 private:
  int depth_ = 0;
};
FANO_IMPLEMENT_COMPONENT(TWideControl, TTestControl)
FANO_PUBLISHED(TWideControl, p) {
  p.Property("Depth", &TWideControl::Depth, &TWideControl::SetDepth);
  p.Property("Width", &TTestControl::Width, &TTestControl::SetWidth).Default(300);
}
}  // namespace

TEST(PublishedTest, KindsFollowTheTypes) {
  auto kind = [](const char* name) { return GetPropInfo(TTestControl::StaticClass(), name)->Kind; };
  EXPECT_EQ(kind("Caption"), TPropKind::String);
  EXPECT_EQ(kind("Left"), TPropKind::Integer);
  EXPECT_EQ(kind("Visible"), TPropKind::Boolean);
  EXPECT_EQ(kind("Align"), TPropKind::Enumeration);
  EXPECT_EQ(kind("Font"), TPropKind::Object);
  EXPECT_EQ(kind("Lines"), TPropKind::Strings);
  EXPECT_EQ(kind("Ratio"), TPropKind::Float);
  EXPECT_EQ(kind("Amount"), TPropKind::Currency);
  EXPECT_EQ(kind("Big"), TPropKind::Int64);
  EXPECT_EQ(kind("Value"), TPropKind::Variant);
  EXPECT_EQ(kind("Hint"), TPropKind::WideString);
  EXPECT_EQ(kind("OnClick"), TPropKind::Event);
  EXPECT_EQ(GetPropInfo(TTestGrid::StaticClass(), "DataSource")->Kind, TPropKind::Component);
  EXPECT_EQ(GetPropInfo(TTestGrid::StaticClass(), "Columns")->Kind, TPropKind::Collection);
  EXPECT_EQ(GetPropInfo(TTestFont::StaticClass(), "Style")->Kind, TPropKind::Set);
  EXPECT_TRUE(GetPropInfo(TTestControl::StaticClass(), "ReadOnlyCount")->IsReadOnly());
  EXPECT_EQ(GetPropInfo(TTestControl::StaticClass(), "caption"), GetPropInfo(TTestControl::StaticClass(), "Caption"));
  EXPECT_EQ(GetPropInfo(TTestControl::StaticClass(), "NoSuch"), nullptr);
}

TEST(PublishedTest, InheritedListsKeepOrderAndReplaceByName) {
  std::vector<std::string> base = PropNames(TTestControl::StaticClass());
  ASSERT_GE(base.size(), 3u);
  EXPECT_EQ(base[0], "Name");  // TComponent's come first
  EXPECT_EQ(base[1], "Tag");
  std::vector<std::string> wide = PropNames(TWideControl::StaticClass());
  // Width keeps its place; Depth comes last.
  std::vector<std::string> expected = base;
  expected.push_back("Depth");
  EXPECT_EQ(wide, expected);
  const TPropInfo* width = GetPropInfo(TWideControl::StaticClass(), "Width");
  ASSERT_TRUE(width->DefaultValue.has_value());
  EXPECT_EQ(width->DefaultValue->AsInteger(), 300);
}

TEST(PublishedTest, AccessByPath) {
  TTestControl c(nullptr);
  SetPropValue(&c, "Caption", Variant("标题"));
  EXPECT_EQ(c.Caption(), "标题");
  EXPECT_EQ(GetPropValue(&c, "Width").AsInteger(), 75);
  SetPropValue(&c, "Font.Size", Variant(12));
  EXPECT_EQ(c.Font()->Size(), 12);
  EXPECT_EQ(GetPropValue(&c, "font.name").AsString(), "宋体");
  SetEnumProp(&c, "Align", "alclient");
  EXPECT_EQ(c.Align(), alClient);
  EXPECT_EQ(GetEnumProp(&c, "Align"), "alClient");
  EXPECT_EQ(GetEnumProp(&c, "Visible"), "True");
  SetSetProp(&c, "Font.Style", "[fsItalic, fsUnderline]");
  EXPECT_TRUE(c.Font()->Style().Contains(fsItalic));
  EXPECT_FALSE(c.Font()->Style().Contains(fsBold));
  EXPECT_EQ(GetSetProp(&c, "Font.Style"), "[fsItalic, fsUnderline]");
  EXPECT_EQ(GetObjectProp(&c, "Lines"), c.Lines());
  SetPropValue(&c, "Hint", Variant("提示"));
  EXPECT_EQ(c.Hint(), u"提示");
  SetPropValue(&c, "Amount", Variant(Currency::FromScaled(12345)));
  EXPECT_EQ(c.Amount().Value, 12345);

  EXPECT_THROW(GetPropValue(&c, "Nope"), EPropertyError);
  EXPECT_THROW(GetPropValue(&c, "Caption.Size"), EPropertyError);
  EXPECT_THROW(SetPropValue(&c, "ReadOnlyCount", Variant(1)), EPropertyError);
  EXPECT_THROW(SetEnumProp(&c, "Align", "alLeft"), EPropertyError);
  EXPECT_THROW(SetSetProp(&c, "Font.Style", "[fsStrike]"), EPropertyError);
  EXPECT_EQ(GetEnumName(alBottom), "alBottom");
  EXPECT_EQ(GetEnumValue<TTestAlign>("ALTOP"), 1);
  EXPECT_EQ(GetEnumValue<TTestAlign>("x"), -1);
}

TEST(PublishedTest, ComparisonOfPublishedValues) {
  TTestControl a(nullptr), b(nullptr);
  EXPECT_TRUE(SamePublishedValues(&a, &b));
  b.Font()->SetSize(10);
  EXPECT_FALSE(SamePublishedValues(&a, &b));  // sub-objects compare by content
  b.Font()->SetSize(9);
  b.Lines()->Add("x");
  EXPECT_FALSE(SamePublishedValues(&a, &b));
  b.Lines()->Clear();
  b.SetValue(Variant(0));
  EXPECT_FALSE(SamePublishedValues(&a, &b));  // Null and 0 differ
  b.SetValue(Variant::Null());
  b.SetRatio(-0.0);
  a.SetRatio(0.0);
  EXPECT_FALSE(SamePublishedValues(&a, &b));  // bit for bit

  EXPECT_TRUE(SameVariantValue(Variant::ArrayOf({Variant(1), Variant("a")}), Variant::ArrayOf({Variant(1), Variant("a")})));
  EXPECT_FALSE(SameVariantValue(Variant(1), Variant(1.0)));  // types differ
}

TEST(PublishedTest, CollectionNamePathUsesThePublishedName) {
  TComponent form(nullptr);
  form.SetName("Form1");
  auto* grid = new TTestGrid(&form);
  grid->SetName("Grid1");
  auto* col = static_cast<TTestColumn*>(grid->Columns()->Add());
  grid->Columns()->Add();
  EXPECT_EQ(grid->Columns()->GetNamePath(), "Grid1.Columns");
  EXPECT_EQ(grid->Columns()->Items(1)->GetNamePath(), "Grid1.Columns[1]");
  EXPECT_EQ(col->DisplayName(), "TTestColumn");
  col->SetFieldName("ID");
  EXPECT_EQ(col->DisplayName(), "ID");
}

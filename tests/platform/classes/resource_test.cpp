#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/resources.h"
#include "test_components.h"

namespace {

template <class T>
struct Freer {
  void operator()(T* p) const { p->Free(); }
};
template <class T>
using Owned = std::unique_ptr<T, Freer<T>>;

// Builds a form of class T and loads its resources, as the forms layer does.
template <class T>
Owned<T> LoadForm() {
  Owned<T> form(new T(nullptr));
  EXPECT_TRUE(InitInheritedComponent(form.get()));
  return form;
}

// The EReadError message of reading `text` into a new TTestForm.
std::string ReadError(const std::string& text) {
  Owned<TTestForm> form(new TTestForm(nullptr));
  try {
    ReadComponentText(form.get(), text);
  } catch (const EReadError& e) {
    // Nothing stays marked as loading after a failed read.
    EXPECT_FALSE(form->InState(csLoading));
    for (int i = 0; i < form->ComponentCount(); ++i) EXPECT_FALSE(form->Components(i)->InState(csLoading));
    return e.Message();
  }
  return "no error";
}

struct ResourceTest : ::testing::Test {
  void SetUp() override { gEvents.clear(); }
};

}  // namespace

TEST_F(ResourceTest, EmbeddedResourcesAreFound) {
  const TResourceBlob* blob = FindResourceBlob("ttestform");
  ASSERT_NE(blob, nullptr);
  EXPECT_NE(blob->Text().find("object TTestForm TestForm"), std::string_view::npos);
  EXPECT_NE(FindResourceBlob("TTestDescendantForm"), nullptr);
}

TEST_F(ResourceTest, LoadingBuildsTheTreeWithEveryKindOfValue) {
  auto form = LoadForm<TTestForm>();
  EXPECT_EQ(form->Name(), "TestForm");
  EXPECT_EQ(form->Caption(), "费用垫付单");
  EXPECT_EQ(form->Width(), 640);
  EXPECT_EQ(form->Font()->Name(), "Tahoma");
  EXPECT_EQ(form->Font()->Style(), TTestFontStyles{fsBold});
  // Fields point at the components; the components are owned by the form in resource order.
  ASSERT_NE(form->pnlTop, nullptr);
  ASSERT_NE(form->btnOK, nullptr);
  ASSERT_NE(form->grid, nullptr);
  ASSERT_NE(form->dsMain, nullptr);
  EXPECT_EQ(form->ComponentCount(), 4);
  EXPECT_EQ(form->Components(0), form->pnlTop);
  EXPECT_EQ(form->btnOK->Owner(), form.get());
  // Nested blocks are parented in the enclosing component.
  EXPECT_EQ(form->pnlTop->Parent(), form.get());
  EXPECT_EQ(form->btnOK->Parent(), form->pnlTop);
  EXPECT_EQ(form->pnlTop->Align(), alTop);
  EXPECT_EQ(form->pnlTop->Lines()->Text(), "第一行\r\nsecond, with comma\r\n");
  // The forward reference is resolved before Loaded runs.
  EXPECT_EQ(form->grid->DataSource(), form->dsMain);
  EXPECT_TRUE(form->grid->dataSourceAtLoaded);
  EXPECT_EQ(form->dsMain->DataSetName(), "TB_BILDA");
  // The collection and the defined property.
  ASSERT_EQ(form->grid->Columns()->Count(), 2);
  auto* col1 = form->grid->Columns()->ItemAs<TTestColumn>(1);
  EXPECT_EQ(col1->FieldName(), "BILDA_NAME");
  EXPECT_EQ(col1->Width(), 64);
  EXPECT_EQ(col1->Font()->Style(), TTestFontStyles{fsItalic});
  EXPECT_EQ(form->grid->ColWidths, (std::vector<int>{80, 64}));
  // Properties were set while loading; Loaded ran once each, the root first, then in read order.
  EXPECT_TRUE(form->btnOK->captionSetWhileLoading);
  EXPECT_FALSE(form->InState(csLoading));
  EXPECT_FALSE(form->btnOK->InState(csLoading));
  EXPECT_FALSE(form->btnOK->InState(csReading));
  EXPECT_EQ(gEvents, (std::vector<std::string>{"loaded TestForm", "loaded pnlTop", "loaded btnOK", "loaded grid"}));
  EXPECT_EQ(form->btnOK->loadedCount, 1);
  // Events are bound to the form's handlers.
  ASSERT_TRUE(form->btnOK->OnClick);
  form->btnOK->OnClick(form->btnOK);
  EXPECT_EQ(form->clicks, 1);
  bool handled = false;
  form->btnOK->OnButton(form->btnOK, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(form->btnOK->HandlerName("OnClick"), "btnOKClick");
}

TEST_F(ResourceTest, DescendantReadsItsAncestorFirst) {
  auto form = LoadForm<TTestDescendantForm>();
  EXPECT_EQ(form->Name(), "DescForm");  // the descendant's own name
  EXPECT_EQ(form->Caption(), "派生窗体");
  EXPECT_EQ(form->Width(), 640);  // from the ancestor
  ASSERT_NE(form->lblNew, nullptr);
  EXPECT_EQ(form->lblNew->Parent(), form->pnlTop);
  EXPECT_EQ(form->grid->DataSource(), form->dsMain);
  form->btnOK->OnClick(form->btnOK);
  EXPECT_EQ(form->cancels, 1);
  EXPECT_EQ(form->clicks, 0);
  EXPECT_EQ(form->btnOK->loadedCount, 1);  // once, after all levels
  // A class without a resource of its own uses its ancestor's.
  auto plain = LoadForm<TTestPlainDescendant>();
  EXPECT_EQ(plain->Caption(), "费用垫付单");
  Owned<TTestPlainDescendant> none(new TTestPlainDescendant(nullptr));
  EXPECT_FALSE(InitInheritedComponent(none.get(), TTestForm::StaticClass()));
}

TEST_F(ResourceTest, InheritedWriteHoldsOnlyTheDifferences) {
  auto form = LoadForm<TTestDescendantForm>();
  const std::string expected =
      "inherited TTestDescendantForm DescForm : TTestForm {\n"
      "  Caption = \"派生窗体\"\n"
      "  inherited TTestControl pnlTop {\n"
      "    inherited TTestControl btnOK {\n"
      "      OnClick = btnCancelClick\n"
      "    }\n"
      "    object TTestControl lblNew {\n"
      "      Caption = \"新\"\n"
      "    }\n"
      "  }\n"
      "}\n";
  EXPECT_EQ(WriteComponentText(form.get()), expected);

  // Change some things at run time: only they join the differences.
  form->grid->SetLeft(8);
  form->grid->ColWidths = {10, 20, 30};
  static_cast<TTestColumn*>(form->grid->Columns()->Add())->SetFieldName("EXTRA");
  form->dsMain->SetDataSetName("TB_BILDB");
  form->pnlTop->Lines()->Add("third");
  form->btnOK->OnClick = nullptr;  // cleared: written as nil
  auto* extra = new TTestDataSource(form.get());
  extra->SetName("dsExtra");
  form->grid->SetDataSource(extra);
  const std::string text = WriteComponentText(form.get());
  // Unchanged values stay out; a changed collection is written whole.
  EXPECT_EQ(text.find("Width = 640"), std::string::npos) << text;
  EXPECT_EQ(text.find("Align"), std::string::npos) << text;
  EXPECT_NE(text.find("      item {\n        FieldName = \"EXTRA\"\n      }\n"), std::string::npos) << text;
  EXPECT_NE(text.find("inherited TTestGrid grid {\n    Left = 8\n    DataSource = dsExtra\n"), std::string::npos) << text;
  EXPECT_NE(text.find("ColWidths = (10, 20, 30)"), std::string::npos) << text;
  EXPECT_NE(text.find("OnClick = nil"), std::string::npos) << text;
  EXPECT_NE(text.find("object TTestDataSource dsExtra {"), std::string::npos) << text;

  // Read the differences back into a new form and compare everything.
  Owned<TTestDescendantForm> back(new TTestDescendantForm(nullptr));
  ReadComponentText(back.get(), text, "written");
  EXPECT_EQ(back->grid->Left(), 8);
  EXPECT_EQ(back->grid->ColWidths, (std::vector<int>{10, 20, 30}));
  ASSERT_EQ(back->grid->Columns()->Count(), 3);
  EXPECT_EQ(back->grid->Columns()->ItemAs<TTestColumn>(2)->FieldName(), "EXTRA");
  EXPECT_EQ(back->grid->Columns()->ItemAs<TTestColumn>(0)->Width(), 80);
  EXPECT_EQ(back->grid->DataSource()->Name(), "dsExtra");
  EXPECT_FALSE(back->btnOK->OnClick);
  EXPECT_EQ(back->pnlTop->Lines()->Count(), 3);
  ASSERT_EQ(back->ComponentCount(), form->ComponentCount());
  EXPECT_TRUE(SamePublishedValues(back.get(), form.get()));
  for (int i = 0; i < form->ComponentCount(); ++i) {
    TComponent* c = form->Components(i);
    TComponent* d = back->FindComponent(c->Name());
    ASSERT_NE(d, nullptr) << c->Name();
    EXPECT_TRUE(SamePublishedValues(c, d)) << c->Name();
  }
  // Writing the read copy gives the same text.
  EXPECT_EQ(WriteComponentText(back.get()), text);
}

TEST_F(ResourceTest, FullWriteComparesWithTheConstructorsValues) {
  auto form = LoadForm<TTestForm>();
  form->btnOK->SetWidth(0);  // the declared default, but not the constructor's 75: written
  form->pnlTop->SetValue(Variant::ArrayOf({Variant(1), Variant("二"), Variant(2.5), Variant::Null(),
                                           Variant(Currency::FromScaled(15)), Variant::FromDateTime(45000.25),
                                           Variant(true), Variant()}));
  form->pnlTop->SetAmount(Currency::FromScaled(-1234567));
  form->pnlTop->SetBig(-9007199254740993LL);
  form->pnlTop->SetRatio(0.1);
  form->pnlTop->SetHint(u"提示\n\"引号\"");
  form->pnlTop->SetCaption(std::string("ctl\x01\tbad\xff end", 14));
  form->grid->Glyph = std::string("\x00\x01\xfe\xff", 4) + std::string(40, 'A');
  const std::string text = WriteComponentText(form.get());
  EXPECT_EQ(text.rfind("object TTestForm TestForm {\n", 0), 0u) << text;
  EXPECT_NE(text.find("  Width = 640\n"), std::string::npos);
  EXPECT_NE(text.find("    Width = 0\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Visible"), std::string::npos);  // still what the constructor gives
  EXPECT_NE(text.find("Amount = -123.4567"), std::string::npos) << text;
  EXPECT_NE(text.find("\\x01\\tbad\\xFF end"), std::string::npos) << text;
  EXPECT_NE(text.find("Glyph = hex {"), std::string::npos) << text;

  Owned<TTestForm> back(new TTestForm(nullptr));
  ReadComponentText(back.get(), text);
  EXPECT_EQ(back->btnOK->Width(), 0);
  EXPECT_TRUE(SameVariantValue(back->pnlTop->Value(), form->pnlTop->Value()));
  EXPECT_EQ(back->pnlTop->Amount().Value, -1234567);
  EXPECT_EQ(back->pnlTop->Big(), -9007199254740993LL);
  EXPECT_EQ(back->pnlTop->Ratio(), 0.1);
  EXPECT_EQ(back->pnlTop->Hint(), form->pnlTop->Hint());
  EXPECT_EQ(back->pnlTop->Caption(), form->pnlTop->Caption());
  EXPECT_EQ(back->grid->Glyph, form->grid->Glyph);
  for (int i = 0; i < form->ComponentCount(); ++i)
    EXPECT_TRUE(SamePublishedValues(form->Components(i), back->FindComponent(form->Components(i)->Name())));
  EXPECT_EQ(WriteComponentText(back.get()), text);
}

TEST_F(ResourceTest, SecondInstanceGetsAUniqueName) {
  TComponent app(nullptr);
  auto* first = new TTestForm(&app);
  InitInheritedComponent(first);
  auto* second = new TTestForm(&app);
  InitInheritedComponent(second);
  EXPECT_EQ(first->Name(), "TestForm");
  EXPECT_EQ(second->Name(), "TestForm_1");
}

TEST_F(ResourceTest, ErrorsNameTheLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"object TTestForm F {\n  Nope = 1\n}",
       "Line 2: Unknown property Nope in TTestForm F"},
      {"object TTestForm F {\n\n  object TNoSuch x {\n  }\n}",
       "Line 3: Class TNoSuch not found"},
      {"object TTestForm F {\n  Align = alLeft\n}",
       "Line 2: Invalid value alLeft for Align"},
      {"object TTestForm F {\n  Caption = \"open\n}",
       "Line 2: Unterminated string"},
      {"object TTestForm F {\n  Caption = \"x\"\n",
       "Line 3: Unexpected end of text: \"}\" missing"},
      {"object TTestForm F {\n  Left = \"x\"\n}",
       "Line 2: Integer expected, found a string"},
      {"object TTestForm F {\n  Left = 99999999999\n}",
       "Line 2: Integer out of range: 99999999999"},
      {"object TTestForm F {\n  ReadOnlyCount = 1\n}",
       "Line 2: Property ReadOnlyCount is read-only"},
      {"object TTestForm F {\n  Font.Nope = 1\n}",
       "Line 2: Unknown property Nope in TTestFont"},
      {"object TTestForm F {\n  Caption.Size = 1\n}",
       "Line 2: Property Caption of TTestForm F has no properties"},
      {"object TTestForm F {\n  Font = 1\n}",
       "Line 2: Property Font is an object: give its properties as Font.Name = value"},
      {"object TTestForm F {\n  OnClick = NoSuchHandler\n}",
       "Line 2: Method NoSuchHandler not found in TTestForm"},
      {"object TTestForm F {\n  OnClick = FormButton\n}",
       "Line 2: Method FormButton does not fit event OnClick"},
      {"object TTestForm F {\n  object TTestGrid g {\n    DataSource = dsNone\n  }\n}",
       "Line 3: Component dsNone not found"},
      {"object TTestForm F {\n  object TTestGrid g {\n    DataSource = F\n  }\n}",
       "Line 3: Component F is not a TTestDataSource"},
      {"object TTestForm F {\n  object TTestControl a {\n  }\n  object TTestControl A {\n  }\n}",
       "Line 4: A component named A already exists"},
      {"object TTestForm F {\n  object TTestControl grid {\n  }\n}",
       "Line 2: Component grid is a TTestControl but its field needs a TTestGrid"},
      {"object TTestForm F {\n  object TTestControl 9x {\n  }\n}",
       "Line 2: Invalid number"},
      {"object TTestForm F {\n  inherited TTestControl ghost {\n  }\n}",
       "Line 2: Inherited component ghost not found"},
      {"object TTestDataSource F {\n}",
       "Line 1: The resource is for TTestDataSource, not for a TTestForm"},
      {"inherited TTestForm F {\n}",
       "Line 1: An inherited resource names its ancestor: \": TAncestor\""},
      {"inherited TTestForm F : TNoForm {\n}",
       "Line 1: TNoForm is not an ancestor of TTestForm"},
      {"object TTestForm F {\n  Caption = \"a\\qb\"\n}",
       "Line 2: Unknown escape \\q"},
      {"object TTestForm F {\n  Font.Style = [fsBold, fsNone]\n}",
       "Line 2: Invalid set element fsNone for Font.Style"},
      {"object TTestForm F {\n  Caption = 费用\n}",
       "Line 2: Unexpected character (byte 232)"},
      {"object TTestForm F {\n}\nobject TTestForm G {\n}",
       "Line 3: Text after the end of the root component"},
      {"",
       "Line 1: object or inherited expected, found end of text"},
      {"object TTestForm F {\n  object TTestGrid g {\n    Glyph = hex { 0A1 }\n  }\n}",
       "Line 3: Invalid hex data"},
      {"object TTestForm F {\n  Lines = (\"a\"\n",
       "Line 3: Unterminated list"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadError(c.text), c.error) << c.text;
  // Any error is an EReadError, a filer error.
  Owned<TTestForm> form(new TTestForm(nullptr));
  EXPECT_THROW(ReadComponentText(form.get(), "x"), EFilerError);
}

TEST_F(ResourceTest, ErrorsNameTheResource) {
  Owned<TTestForm> form(new TTestForm(nullptr));
  try {
    ReadComponentText(form.get(), "object TTestForm F {\n  Nope = 1\n}", "TBroken");
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Line 2: Unknown property Nope in TTestForm F (resource TBroken)");
  }
}

TEST_F(ResourceTest, ReadStateHookResolvesPrivateReferences) {
  // A grid whose reading maps the reference "Own" to a data source of its own.
  struct THookedGrid : TTestGrid {
    using TTestGrid::TTestGrid;
    TTestDataSource* own = new TTestDataSource(nullptr);
    ~THookedGrid() override {
      SetDataSource(nullptr);
      delete own;
    }
    void ReadState(TReader& reader) override {
      auto saved = reader.OnFindReference;
      reader.OnFindReference = [this](std::string_view name) -> TComponent* { return name == "Own" ? own : nullptr; };
      TTestGrid::ReadState(reader);
      reader.OnFindReference = saved;
    }
  };
  static const TClassInfo hookedInfo{"THookedGrid", TTestGrid::StaticClass(),
                                     [](TObject* o) -> TObject* { return new THookedGrid(dynamic_cast<TComponent*>(o)); }};
  RegisterClass(&hookedInfo);
  Owned<TTestForm> form(new TTestForm(nullptr));
  ReadComponentText(form.get(), "object TTestForm F {\n  object THookedGrid g {\n    DataSource = Own\n  }\n}");
  auto* g = static_cast<THookedGrid*>(form->FindComponent("g"));
  EXPECT_EQ(g->DataSource(), g->own);
  UnRegisterClass(&hookedInfo);
}

TEST_F(ResourceTest, StreamsAndCommentsAndOptionalCommas) {
  TStringStream in(
      "\xEF\xBB\xBF# leading comment\n"
      "object TTestForm F {  # trailing comment\n"
      "  Lines = (\"a\", \"b\" \"c\",)\n"
      "  Left = 0x10\n"
      "  Ratio = -2.5e-3\n"
      "  Caption = \"\\u8D39\\x41\"\n"
      "}\n");
  Owned<TTestForm> form(new TTestForm(nullptr));
  ReadComponentStream(form.get(), in);
  EXPECT_EQ(form->Lines()->CommaText(), "a,b,c");
  EXPECT_EQ(form->Left(), 16);
  EXPECT_EQ(form->Ratio(), -2.5e-3);
  EXPECT_EQ(form->Caption(), "费A");
  TStringStream out;
  WriteComponentStream(form.get(), out);
  EXPECT_NE(out.DataString().find("Caption = \"费A\""), std::string::npos);
}

TEST_F(ResourceTest, CollectionsCompareByWhatTheyWrite) {
  Owned<TTestForm> formA(new TTestForm(nullptr));
  Owned<TTestForm> formB(new TTestForm(nullptr));
  formA->SetName("FormA");
  formB->SetName("FormB");
  auto* a = new TTestGrid(formA.get());
  auto* b = new TTestGrid(formB.get());
  for (TTestGrid* g : {a, b}) {
    auto* id = static_cast<TTestColumn*>(g->Columns()->Add());
    id->SetFieldName("BILDA_ID");
    id->SetWidth(80);
    static_cast<TTestColumn*>(g->Columns()->Add())->SetFieldName("BILDA_NAME");
  }
  auto col = [](TTestGrid* g, int i) { return g->Columns()->ItemAs<TTestColumn>(i); };
  EXPECT_TRUE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  EXPECT_TRUE(CollectionsEqual(a->Columns(), a->Columns(), formA.get(), formA.get()));

  // A value of an item.
  col(b, 1)->SetWidth(70);
  EXPECT_FALSE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  col(b, 1)->SetWidth(64);
  EXPECT_TRUE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  // A value of an item's sub-object.
  col(a, 0)->Font()->SetStyle(TTestFontStyles{fsItalic});
  EXPECT_FALSE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  col(b, 0)->Font()->SetStyle(TTestFontStyles{fsItalic});
  EXPECT_TRUE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  // An event handler, by its name.
  col(a, 1)->OnChange = [](TObject*) {};
  col(a, 1)->SetHandlerName("OnChange", "ColumnChange");
  EXPECT_FALSE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  col(b, 1)->OnChange = [](TObject*) {};
  col(b, 1)->SetHandlerName("OnChange", "ColumnChange");
  EXPECT_TRUE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  // The order of the items counts, and so does their number.
  col(b, 1)->SetIndex(0);
  EXPECT_FALSE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  col(b, 0)->SetIndex(1);
  b->Columns()->Add();
  EXPECT_FALSE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  // Two empty collections are alike; no collection is like none only.
  a->Columns()->Clear();
  b->Columns()->Clear();
  EXPECT_TRUE(CollectionsEqual(a->Columns(), b->Columns(), formA.get(), formB.get()));
  EXPECT_FALSE(CollectionsEqual(a->Columns(), nullptr, formA.get(), nullptr));
  EXPECT_TRUE(CollectionsEqual(nullptr, nullptr, nullptr, nullptr));
  // Collections of another class are not alike, even with the same items.
  TCollection plain(TTestColumn::StaticClass());
  EXPECT_FALSE(CollectionsEqual(a->Columns(), &plain, formA.get(), nullptr));
}

// A component whose Caption follows its owner's name until it is given one.
class TFollowerTest : public TComponent {
  FANO_CLASS(TFollowerTest)
 public:
  using TComponent::TComponent;
  std::string Caption() const { return assigned_ ? caption_ : Fallback(); }
  void SetCaption(std::string_view v) {
    caption_ = std::string(v);
    assigned_ = true;
  }
  bool CaptionStored() const { return assigned_ && caption_ != Fallback(); }

 private:
  std::string Fallback() const { return Owner() ? Owner()->Name() : std::string(); }
  std::string caption_;
  bool assigned_ = false;
};
FANO_IMPLEMENT_COMPONENT(TFollowerTest, TComponent)
FANO_REGISTER_CLASS(TFollowerTest);
FANO_PUBLISHED(TFollowerTest, p) {
  p.Property("Caption", &TFollowerTest::Caption, &TFollowerTest::SetCaption)
      .Stored(&TFollowerTest::CaptionStored)
      .NoDefault();
}

TEST_F(ResourceTest, AValueWithoutADefaultOfItsOwnIsWrittenWheneverItsRuleHolds) {
  Owned<TTestForm> form(new TTestForm(nullptr));
  form->SetName("F");
  auto* follower = new TFollowerTest(form.get());
  follower->SetName("fol");
  ASSERT_EQ(follower->Caption(), "F");
  EXPECT_EQ(WriteComponentText(form.get()).find("Caption ="), std::string::npos);
  // Given the empty text, which a new follower with no owner also shows: still written.
  follower->SetCaption("");
  const std::string text = WriteComponentText(form.get());
  EXPECT_NE(text.find("  object TFollowerTest fol {\n    Caption = \"\"\n  }\n"), std::string::npos) << text;
  Owned<TTestForm> back(new TTestForm(nullptr));
  ReadComponentText(back.get(), text);
  auto* read = dynamic_cast<TFollowerTest*>(back->FindComponent("fol"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Caption(), "");
  // Given the text it follows anyway: not its own, not written.
  follower->SetCaption("F");
  EXPECT_EQ(WriteComponentText(form.get()).find("Caption ="), std::string::npos);
}

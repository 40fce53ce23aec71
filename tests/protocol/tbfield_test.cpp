#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/classes/filer.h"
#include "platform/rtl/exceptions.h"
#include "protocol/tbfield.h"

namespace {

struct Freer {
  void operator()(TComponent* c) const { c->Free(); }
};
using OwnedTbField = std::unique_ptr<TCvTbField, Freer>;

OwnedTbField NewTbField() { return OwnedTbField(new TCvTbField(nullptr)); }

TTbField* AddItem(TCvTbField* c, std::string_view name) {
  TTbField* f = c->TbFields()->Add();
  f->SetFieldName(name);
  return f;
}

// The stored description of the example header table, one "filed" per column.
const char* const kHeaderXml =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<table tablename=\"TB_BILDA\">\n"
    "  <fields>\n"
    "    <filed FN=\"BILDA_ID\" FW=\"38\" DT=\"NUMBER\" DW=\"22\" KEY=\"1\" RO=\"0\" NN=\"0\" NP=\"0\" DL=\"单据ID\"/>\n"
    "    <filed FN=\"BILDA002\" FW=\"40\" DT=\"varchar2\" DW=\"12\" KEY=\"0\" RO=\"1\" VS=\"0\" NN=\"1\" NP=\"0\" "
    "DL=\"单号\" HT=\"document number\"/>\n"
    "    <filed FN=\"BILDA003\" DT=\"DATE\" KEY=\"0\" RO=\"0\" NN=\"0\"/>\n"
    "    <filed FN=\"BILDA004\" FW=\"12\" DT=\"NUMBER\" NP=\"2\" KEY=\" 0 \" RO=\"0\" NN=\"0\" DW=\"wide\"/>\n"
    "    <filed FN=\"BILDA005\" DT=\"CLOB\" FW=\"4000\" KEY=\"0\" RO=\"0\" NN=\"0\"/>\n"
    "    <filed FN=\"BILDA006\" DT=\"INTEGER\" KEY=\"0\" RO=\"0\" NN=\"0\" NP=\"x\"/>\n"
    "  </fields>\n"
    "</table>\n";

}  // namespace

TEST(TbFieldTest, NewItemsAndComponentStartWithTheDocumentedValues) {
  auto c = NewTbField();
  EXPECT_FALSE(c->ActiveXml2Fields());
  EXPECT_EQ(c->TbFields()->Count(), 0);
  EXPECT_EQ(c->XML()->Count(), 0);
  EXPECT_EQ(c->TbFields()->GetOwner(), c.get());
  TTbField* f = c->TbFields()->Add();
  EXPECT_EQ(f->Alignment(), taLeftJustify);
  EXPECT_EQ(f->DataType(), ftUnknown);
  EXPECT_TRUE(f->Visible());
  EXPECT_FALSE(f->IsKey() || f->ReadOnly() || f->NotNull() || f->IsJoin() || f->IsFK());
  EXPECT_EQ(f->ButtonStyle(), gbsNone);
  EXPECT_EQ(f->NumPrec() + f->FieldWidth() + f->DisplayWidth() + f->DropDownTag(), 0);
}

TEST(TbFieldTest, ForeignKeyListJoinsThePairsOfForeignKeyItemsInOrder) {
  auto c = NewTbField();
  EXPECT_EQ(c->GetFKList(), "");
  TTbField* a = AddItem(c.get(), "BILDA_ID");
  a->SetIsFK(true);
  a->SetFKTable("TB_BILDA");
  AddItem(c.get(), "BILDA_NAME")->SetFKTable("TB_IGNORED");  // not a foreign key
  TTbField* b = AddItem(c.get(), "BILDA_X");
  b->SetIsFK(true);
  b->SetFKTable("TB_X");
  EXPECT_EQ(c->GetFKList(), "TB_BILDA:BILDA_ID;TB_X:BILDA_X");
  a->SetIsFK(false);
  EXPECT_EQ(c->GetFKList(), "TB_X:BILDA_X");
}

TEST(TbFieldTest, UnnamedItemsTakeTheSmallestFreeFieldNumber) {
  auto c = NewTbField();
  TTbFields* items = c->TbFields();
  TTbField* first = items->Add();
  TTbField* second = items->Add();
  EXPECT_EQ(first->FieldName(), "Field1");
  EXPECT_EQ(second->FieldName(), "Field2");
  first->SetFieldName("BILDA_ID");
  EXPECT_EQ(items->Add()->FieldName(), "Field1");
  // Names are compared ignoring case: "FIELD4" takes the place of Field4.
  first->SetFieldName("FIELD4");
  EXPECT_EQ(items->Add()->FieldName(), "Field3");
  EXPECT_EQ(items->Add()->FieldName(), "Field5");
  EXPECT_EQ(items->GetItem(0), first);
  EXPECT_EQ((*items)[1], second);
  EXPECT_THROW(items->GetItem(99), EListError);
}

TEST(TbFieldTest, DisplayNameIsTheFieldNameOrTheItemDefault) {
  auto c = NewTbField();
  TTbField* f = c->TbFields()->Add();
  EXPECT_EQ(f->DisplayName(), "Field1");
  f->SetFieldName("BILDA002");
  EXPECT_EQ(f->DisplayName(), "BILDA002");
  f->SetFieldName("");
  EXPECT_EQ(f->DisplayName(), "TTbField");
}

TEST(TbFieldTest, AssignCopiesEveryPropertyAndHandler) {
  auto c = NewTbField();
  TTbField* src = AddItem(c.get(), "BILDA006");
  src->SetAlignment(taCenter);
  src->SetDisplayLabel("商户");
  src->SetDisplayWidth(9);
  src->SetDataType(ftFloat);
  src->SetHint("h");
  src->SetFieldWidth(7);
  src->SetIsKey(true);
  src->SetReadOnly(true);
  src->SetVisible(false);
  src->SetNotNull(true);
  src->SetNumPrec(2);
  src->SetButtonStyle(gbsButton);
  src->SetIsJoin(true);
  src->SetIsFK(true);
  src->SetFKTable("TB_PUBCB");
  src->SetDropDownTag(3);
  int clicks = 0;
  src->OnButtonClick = [&](TObject*, bool& handled) {
    ++clicks;
    handled = true;
  };
  src->OnChange = [&](TField*) { clicks += 10; };
  src->OnUpdateData = [&](TObject*, std::string&, Variant&, bool&, bool&) { clicks += 100; };

  TTbField* dst = c->TbFields()->Add();
  dst->Assign(src);
  EXPECT_EQ(dst->Alignment(), taCenter);
  EXPECT_EQ(dst->DisplayLabel(), "商户");
  EXPECT_EQ(dst->DisplayWidth(), 9);
  EXPECT_EQ(dst->FieldName(), "BILDA006");
  EXPECT_EQ(dst->DataType(), ftFloat);
  EXPECT_EQ(dst->Hint(), "h");
  EXPECT_EQ(dst->FieldWidth(), 7);
  EXPECT_TRUE(dst->IsKey() && dst->ReadOnly() && dst->NotNull() && dst->IsJoin() && dst->IsFK());
  EXPECT_FALSE(dst->Visible());
  EXPECT_EQ(dst->NumPrec(), 2);
  EXPECT_EQ(dst->ButtonStyle(), gbsButton);
  EXPECT_EQ(dst->FKTable(), "TB_PUBCB");
  EXPECT_EQ(dst->DropDownTag(), 3);
  bool handled = false;
  dst->OnButtonClick(dst, handled);
  dst->OnChange(nullptr);
  std::string text;
  Variant value;
  bool useText = false;
  dst->OnUpdateData(dst, text, value, useText, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(clicks, 111);
  EXPECT_FALSE(dst->OnGetText);

  // Anything else goes to the inherited assignment, which refuses it.
  TStringList other;
  EXPECT_THROW(dst->Assign(&other), EConvertError);
}

TEST(TbFieldTest, WritingTheItemsOrTheXmlCopiesThem) {
  auto a = NewTbField();
  auto b = NewTbField();
  AddItem(a.get(), "X")->SetIsKey(true);
  AddItem(a.get(), "Y");
  b->SetTbFields(a->TbFields());
  ASSERT_EQ(b->TbFields()->Count(), 2);
  EXPECT_NE(b->TbFields()->GetItem(0), a->TbFields()->GetItem(0));
  EXPECT_TRUE(b->TbFields()->GetItem(0)->IsKey());
  EXPECT_EQ(b->TbFields()->GetItem(1)->FieldName(), "Y");
  b->SetTbFields(nullptr);  // nothing given, nothing changes
  EXPECT_EQ(b->TbFields()->Count(), 2);

  TStringList lines;
  lines.Add("<table>");
  lines.Add("</table>");
  b->SetXML(&lines);
  lines.Clear();
  EXPECT_EQ(b->XML()->Count(), 2);
  EXPECT_EQ(b->XML()->Strings(0), "<table>");
}

TEST(TbFieldTest, LoadingTheDescriptionBuildsOneItemPerFiledElement) {
  auto c = NewTbField();
  c->SetPKName("OLD");
  c->XML()->SetText(kHeaderXml);
  ASSERT_TRUE(c->LoadFieldsFromXml());
  EXPECT_EQ(c->TableName(), "TB_BILDA");
  EXPECT_EQ(c->XML()->Count(), 0);  // the description lives on as items
  ASSERT_EQ(c->Count(), 6);

  TTbField* id = c->Items(0);
  EXPECT_EQ(id->FieldName(), "BILDA_ID");
  EXPECT_EQ(id->DisplayLabel(), "单据ID");
  EXPECT_EQ(id->DisplayWidth(), 22);
  EXPECT_EQ(id->DataType(), ftInteger);  // NUMBER without decimals
  EXPECT_EQ(id->FieldWidth(), 0);        // FW counts only for VARCHAR2
  EXPECT_EQ(id->Alignment(), taRightJustify);
  EXPECT_TRUE(id->IsKey());
  EXPECT_FALSE(id->ReadOnly());
  EXPECT_TRUE(id->Visible());  // VS absent
  EXPECT_FALSE(id->NotNull());
  EXPECT_EQ(c->PKName(), "BILDA_ID");

  TTbField* no = c->Items(1);
  EXPECT_EQ(no->DataType(), ftString);  // type words ignore case
  EXPECT_EQ(no->FieldWidth(), 40);
  EXPECT_EQ(no->Alignment(), taLeftJustify);
  EXPECT_EQ(no->Hint(), "document number");
  EXPECT_TRUE(no->ReadOnly());
  EXPECT_FALSE(no->Visible());
  EXPECT_TRUE(no->NotNull());

  EXPECT_EQ(c->Items(2)->DataType(), ftDate);
  EXPECT_EQ(c->Items(2)->DisplayWidth(), 0);

  TTbField* amount = c->Items(3);
  EXPECT_EQ(amount->DataType(), ftFloat);
  EXPECT_EQ(amount->NumPrec(), 2);
  EXPECT_EQ(amount->Alignment(), taRightJustify);
  EXPECT_FALSE(amount->IsKey());          // " 0 " trims to 0
  EXPECT_EQ(amount->DisplayWidth(), 0);   // not a number

  EXPECT_EQ(c->Items(4)->DataType(), ftString);  // any other word
  EXPECT_EQ(c->Items(4)->FieldWidth(), 0);
  EXPECT_EQ(c->Items(5)->DataType(), ftInteger);
  EXPECT_EQ(c->Items(5)->NumPrec(), 0);
  // What the description does not carry keeps the values of a new item.
  for (int i = 0; i < c->Count(); ++i) {
    EXPECT_EQ(c->Items(i)->ButtonStyle(), gbsNone);
    EXPECT_FALSE(c->Items(i)->IsJoin() || c->Items(i)->IsFK());
  }
}

TEST(TbFieldTest, TheLastKeyFieldNamesTheKeyAndNoKeyKeepsTheOldName) {
  auto c = NewTbField();
  c->XML()->SetText(
      "<t><fields><filed FN=\"A\" KEY=\"1\"/><filed FN=\"B\"/><filed FN=\"C\" KEY=\"0\"/></fields></t>");
  ASSERT_TRUE(c->LoadFieldsFromXml());
  EXPECT_EQ(c->PKName(), "B");  // a missing KEY counts as a key
  EXPECT_EQ(c->TableName(), "");

  c->SetPKName("KEEP");
  c->XML()->SetText("<t tablename=\"T2\"><fields><filed FN=\"A\" KEY=\"0\"/></fields></t>");
  ASSERT_TRUE(c->LoadFieldsFromXml());
  EXPECT_EQ(c->PKName(), "KEEP");
  EXPECT_EQ(c->TableName(), "T2");
  ASSERT_EQ(c->Count(), 1);
}

// Element and attribute names of a description are matched ignoring case.
TEST(TbFieldTest, ElementAndAttributeNamesOfADescriptionIgnoreCase) {
  const char* const texts[] = {
      "<table tablename=\"TB_X\"><fields><filed FN=\"A\" KEY=\"0\"/><filed FN=\"B\"/></fields></table>",
      "<TABLE TABLENAME=\"TB_X\"><FIELDS><FILED fn=\"A\" key=\"0\"/><FILED fn=\"B\"/></FIELDS></TABLE>",
      "<Table TableName=\"TB_X\"><Fields><Filed Fn=\"A\" Key=\"0\"/><filed FN=\"B\"/></Fields></Table>",
      // A comment is read raw, whatever it holds.
      "<table tablename=\"TB_X\"><!-- key -- B --><fields><filed FN=\"A\" KEY=\"0\"/><!--B-->"
      "<filed FN=\"B\"/></fields></table>",
  };
  for (const char* text : texts) {
    auto c = NewTbField();
    c->XML()->SetText(text);
    ASSERT_TRUE(c->LoadFieldsFromXml()) << text;
    EXPECT_EQ(c->TableName(), "TB_X") << text;
    ASSERT_EQ(c->Count(), 2) << text;
    EXPECT_EQ(c->Items(0)->FieldName(), "A") << text;
    EXPECT_FALSE(c->Items(0)->IsKey()) << text;
    EXPECT_EQ(c->Items(1)->FieldName(), "B") << text;
    EXPECT_EQ(c->PKName(), "B") << text;
  }
}

TEST(TbFieldTest, ADescriptionWithoutFieldsKeepsTheItemsAndIsUsedUp) {
  auto c = NewTbField();
  AddItem(c.get(), "OLD");
  c->SetTableName("TB_OLD");
  c->XML()->SetText("<table tablename=\"TB_NEW\"><filed FN=\"A\"/></table>");
  EXPECT_FALSE(c->LoadFieldsFromXml());
  ASSERT_EQ(c->Count(), 1);
  EXPECT_EQ(c->Items(0)->FieldName(), "OLD");
  EXPECT_EQ(c->TableName(), "TB_OLD");
  EXPECT_EQ(c->XML()->Count(), 0);

  // A blank description changes nothing at all.
  c->XML()->SetText("  \r\n \t");
  EXPECT_FALSE(c->LoadFieldsFromXml());
  EXPECT_EQ(c->XML()->Count(), 2);
  EXPECT_EQ(c->Count(), 1);

  // Text the parser rejects raises; the items stay and the description is gone.
  c->XML()->SetText("<table><fields><filed FN=\"A\"></fields>");
  EXPECT_THROW(c->LoadFieldsFromXml(), Exception);
  EXPECT_EQ(c->XML()->Count(), 0);
  ASSERT_EQ(c->Count(), 1);
  EXPECT_EQ(c->Items(0)->FieldName(), "OLD");
}

TEST(TbFieldTest, SwitchingActiveXml2FieldsOnLoadsTheDescriptionOnce) {
  auto c = NewTbField();
  c->XML()->SetText("<t><fields><filed FN=\"A\"/></fields></t>");
  c->SetActiveXml2Fields(true);
  EXPECT_TRUE(c->ActiveXml2Fields());
  ASSERT_EQ(c->Count(), 1);
  // Writing the current value does nothing, even with a new description.
  c->XML()->SetText("<t><fields><filed FN=\"B\"/><filed FN=\"C\"/></fields></t>");
  c->SetActiveXml2Fields(true);
  EXPECT_EQ(c->Count(), 1);
  c->SetActiveXml2Fields(false);
  EXPECT_EQ(c->Count(), 1);
  c->SetActiveXml2Fields(true);
  EXPECT_EQ(c->Count(), 2);
}

TEST(TbFieldTest, ItemsAndDescriptionTravelThroughAFormResource) {
  auto c = NewTbField();
  c->SetName("tbfldMain");
  c->SetTableName("TB_BILDB");
  c->SetPKName("BILDB_ID");
  TTbField* id = AddItem(c.get(), "BILDB_ID");
  id->SetIsKey(true);
  id->SetDataType(ftInteger);
  id->SetAlignment(taRightJustify);
  TTbField* fk = AddItem(c.get(), "BILDB001");
  fk->SetIsFK(true);
  fk->SetFKTable("TB_BILDA");
  fk->SetDisplayLabel("单据");
  fk->SetButtonStyle(gbsDropDown);
  fk->SetDropDownTag(2);
  fk->SetVisible(false);
  c->XML()->Add("<table/>");
  const std::string text = WriteComponentText(c.get());

  auto back = NewTbField();
  ReadComponentText(back.get(), text);
  EXPECT_EQ(back->Name(), "tbfldMain");
  EXPECT_EQ(back->TableName(), "TB_BILDB");
  EXPECT_EQ(back->PKName(), "BILDB_ID");
  EXPECT_FALSE(back->ActiveXml2Fields());
  EXPECT_EQ(back->XML()->Text(), c->XML()->Text());
  ASSERT_EQ(back->Count(), 2);
  EXPECT_TRUE(back->Items(0)->IsKey());
  EXPECT_EQ(back->Items(0)->DataType(), ftInteger);
  EXPECT_EQ(back->Items(0)->Alignment(), taRightJustify);
  EXPECT_EQ(back->Items(1)->FKTable(), "TB_BILDA");
  EXPECT_EQ(back->Items(1)->DisplayLabel(), "单据");
  EXPECT_EQ(back->Items(1)->ButtonStyle(), gbsDropDown);
  EXPECT_EQ(back->Items(1)->DropDownTag(), 2);
  EXPECT_FALSE(back->Items(1)->Visible());
  EXPECT_EQ(back->GetFKList(), "TB_BILDA:BILDB001");
}

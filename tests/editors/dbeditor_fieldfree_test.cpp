// A field freed while its dataset is open and an editor is bound to it: the editors drop the
// field instead of reading it while it goes, and stay usable.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "editors/dbcheckbox.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "editors/dbnumberedit.h"
#include "platform/db/dataset.h"
#include "platform/rtl/sysutils.h"

using namespace edtest;

namespace {

class FieldFreed : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    days = new TMemTableGx(form);
    days->SetName("mtblDays");
    days->FieldDefs().Add("ID", ftInteger);
    days->FieldDefs().Add("DAY", ftDateTime);
    days->FieldDefs().Add("AMOUNT", ftFloat);
    days->CreateDataSet();
    days->Append();
    days->FieldByName("ID")->SetValue(1);
    days->FieldByName("DAY")->SetValue(Variant(EncodeDate(2026, 12, 7)));
    days->FieldByName("AMOUNT")->SetValue(12.5);
    days->Post();
    daysSource = new TDataSource(form);
    daysSource->SetDataSet(days);
  }
  template <class T>
  T* Bound(TDataSource* ds, const char* field) {
    auto* e = Add<T>(10, 10, 150, 21);
    e->SetDataSource(ds);
    e->SetDataField(field);
    return e;
  }
  // Frees the field while its dataset is open; answers what escaped, if anything.
  static std::string FreeField(TDataSet* ds, const char* name) {
    TField* f = ds->FieldByName(name);
    EXPECT_TRUE(ds->Active());
    try {
      f->Free();
    } catch (const std::exception& ex) {
      return ex.what();
    }
    return {};
  }
  TMemTableGx* days = nullptr;
  TDataSource* daysSource = nullptr;
};

TEST_F(FieldFreed, TheBaseEditorDropsItsField) {
  auto* e = Bound<TDBEditGx>(source, "NAME");
  Show();
  ASSERT_EQ(e->Text(), "alpha");
  EXPECT_EQ(FreeField(table, "NAME"), "");
  EXPECT_EQ(e->Field(), nullptr);
  EXPECT_TRUE(e->DataLink()->Fields().empty());
  Pump();
  e->Repaint();
  Pump();
}

TEST_F(FieldFreed, AnEditorOfAnotherFieldFindsItsOwnAgain) {
  auto* name = Bound<TDBEditGx>(source, "NAME");
  auto* code = Bound<TDBEditGx>(source, "CODE");
  Show();
  EXPECT_EQ(FreeField(table, "NAME"), "");
  EXPECT_EQ(name->Field(), nullptr);
  table->Open();
  EXPECT_EQ(code->Field(), table->FieldByName("CODE"));
  EXPECT_EQ(code->Text(), "Y");
}

TEST_F(FieldFreed, TheComboBoxDropsItsField) {
  auto* e = Bound<TDBComboBoxGx>(source, "CODE");
  e->Items()->Add("Y");
  e->Items()->Add("N");
  Show();
  EXPECT_EQ(FreeField(table, "CODE"), "");
  EXPECT_EQ(e->Field(), nullptr);
}

TEST_F(FieldFreed, TheNumberEditorDropsItsField) {
  auto* e = Bound<TDBNumberEditGx>(daysSource, "AMOUNT");
  Show();
  EXPECT_EQ(FreeField(days, "AMOUNT"), "");
  EXPECT_EQ(e->Field(), nullptr);
}

TEST_F(FieldFreed, TheDateTimeEditorDropsItsField) {
  auto* e = Bound<TDBDateTimeEditGx>(daysSource, "DAY");
  Show();
  EXPECT_EQ(FreeField(days, "DAY"), "");
  EXPECT_EQ(e->Field(), nullptr);
}

TEST_F(FieldFreed, TheCheckBoxDropsItsField) {
  auto* b = Bound<TDBCheckBoxGx>(source, "FLAG");
  Show();
  EXPECT_EQ(FreeField(table, "FLAG"), "");
  EXPECT_EQ(b->Field(), nullptr);
}

}  // namespace

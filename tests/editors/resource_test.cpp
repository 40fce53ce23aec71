// Editors read from a form resource: their published properties, their buttons and the link to
// a data source by name.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "editors/dbcheckbox.h"
#include "editors/dbeditbase.h"
#include "platform/classes/filer.h"

using namespace edtest;

namespace {

class EditorResource : public EditorTest {};

TEST_F(EditorResource, PublishedPropertiesAreReadFromAFormResource) {
  source->SetName("dsMain");
  const char* text = R"(object TForm frmTest {
  Caption = "资源"
  object TDBEditGx edtName {
    Left = 10
    Top = 8
    Width = 150
    DataSource = dsMain
    DataField = "NAME"
    BorderStyle = bsNone
    Ctl3D = false
    ColorBorder = 255
    ColorFlat = 16777215
    ReturnIsTab = true
    HighlightRequired = true
    Tooltips = true
    MRUList.Active = true
    MRUList.Rows = 5
    EditButtons = collection {
      item {
        Style = ebsEllipsisGx
        Visible = true
        Width = 14
      }
    }
  }
  object TDBCheckBoxGx chkFlag {
    Left = 10
    Top = 40
    Caption = "标志"
    DataSource = dsMain
    DataField = "CODE"
    ValueChecked = "Y;Yes"
    ValueUnchecked = "N"
    Flat = true
    AllowGrayed = true
  }
})";
  ReadComponentText(form, text, "test");
  auto* edit = dynamic_cast<TDBEditGx*>(form->FindComponent("edtName"));
  auto* box = dynamic_cast<TDBCheckBoxGx*>(form->FindComponent("chkFlag"));
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(edit->DataSource(), source);
  EXPECT_EQ(edit->DataField(), "NAME");
  EXPECT_TRUE(edit->IsFlatMode());
  EXPECT_EQ(edit->ColorBorder(), static_cast<TColor>(255));
  EXPECT_TRUE(edit->ReturnIsTab());
  EXPECT_TRUE(edit->HighlightRequired());
  EXPECT_TRUE(edit->Tooltips());
  EXPECT_TRUE(edit->MRUList()->Active());
  EXPECT_EQ(edit->MRUList()->Rows(), 5);
  ASSERT_EQ(edit->EditButtons()->Count(), 1);
  EXPECT_EQ(edit->EditButtons()->Items(0)->Style(), ebsEllipsisGx);
  EXPECT_EQ(edit->EditButtons()->Items(0)->Width(), 14);
  EXPECT_EQ(edit->Text(), "alpha");
  EXPECT_EQ(box->ValueChecked(), "Y;Yes");
  EXPECT_TRUE(box->Flat());
  EXPECT_TRUE(box->AllowGrayed());
  EXPECT_EQ(box->State(), cbChecked);  // "Y"
  EXPECT_EQ(box->Caption(), "标志");
}

}  // namespace

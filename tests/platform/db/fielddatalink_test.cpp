// The field data link: finding its field, following the dataset's edit state, handing the
// control's changes over, and offering actions to the data source.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link_fixture.h"
#include "platform/db/datasource.h"
#include "platform/rtl/exceptions.h"

namespace {

class FieldDataLinkTest : public LinkWindowTest {
 protected:
  void SetUp() override {
    LinkWindowTest::SetUp();
    ds->FieldDefs().Add("NAME", ftString, 20);
    ds->AddRow({1, "one"});
    ds->AddRow({2, "two"});
    control = new TComponent(owner.get());
    control->SetName("edName");
    link.SetControl(control);
    link.OnActiveChange = [this](TObject*) { log.push_back("active"); };
    link.OnDataChange = [this](TObject*) { log.push_back("data"); };
    link.OnEditingChange = [this](TObject*) { log.push_back(link.Editing() ? "editing" : "browsing"); };
    link.OnUpdateData = [this](TObject*) {
      log.push_back("update");
      link.Field()->SetAsString(pending);
    };
  }
  std::string Joined() {
    std::string s;
    for (const std::string& e : log) s += (s.empty() ? "" : " ") + e;
    log.clear();
    return s;
  }

  TComponent* control = nullptr;
  TFieldDataLink link;
  std::vector<std::string> log;
  std::string pending;
};

// A stand-in for an action class: the link needs only the target protocol.
struct TargetAction {
  TObject* wanted = nullptr;
  std::vector<std::string> calls;
  bool HandlesTarget(TObject* target) { return target == wanted; }
  void ExecuteTarget(TObject*) { calls.push_back("execute"); }
  void UpdateTarget(TObject*) { calls.push_back("update"); }
};

TEST_F(FieldDataLinkTest, FindsItsFieldWhileActive) {
  EXPECT_TRUE(link.VisualControl());
  link.SetFieldName("NAME");
  link.SetDataSource(src);
  EXPECT_EQ(link.Field(), nullptr);
  src->SetDataSet(ds);
  log.clear();
  ds->Open();
  ASSERT_NE(link.Field(), nullptr);
  EXPECT_EQ(link.Field()->FieldName(), "NAME");
  EXPECT_EQ(Joined(), "data active");
  // Moving shows the other record; a change of another field is not this link's.
  ds->Next();
  EXPECT_EQ(Joined(), "data");
  ds->Edit();
  log.clear();
  ds->FieldByName("ID")->SetAsInteger(5);
  EXPECT_EQ(Joined(), "");
  ds->FieldByName("NAME")->SetAsString("zwei");
  EXPECT_EQ(Joined(), "data");
  ds->Cancel();
  ds->Close();
  EXPECT_EQ(link.Field(), nullptr);

  // A name the dataset lacks: the error names the control.
  link.SetFieldName("NOPE");
  try {
    ds->Open();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "edName: Field 'NOPE' not found");
  }
}

TEST_F(FieldDataLinkTest, EditingFollowsTheDatasetAndTheField) {
  src->SetDataSet(ds);
  ds->Open();
  link.SetDataSource(src);
  link.SetFieldName("NAME");
  log.clear();
  EXPECT_TRUE(link.CanModify());
  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(Joined(), "editing data");
  // The control's text goes to the field when the record is posted.
  link.Modified();
  pending = "uno";
  ds->Post();
  EXPECT_EQ(ds->Rows()[0].Values[1].AsString(), "uno");
  EXPECT_FALSE(link.IsModified());
  EXPECT_NE(Joined().find("update"), std::string::npos);
  // Unchanged text is not written.
  link.Edit();
  log.clear();
  ds->Post();
  EXPECT_EQ(Joined().find("update"), std::string::npos);

  // Reset drops the control's changes and shows the field again.
  link.Edit();
  link.Modified();
  log.clear();
  link.Reset();
  EXPECT_FALSE(link.IsModified());
  EXPECT_EQ(Joined(), "data");
  ds->Cancel();

  // A read-only field or link never edits.
  link.Field()->SetReadOnly(true);
  EXPECT_FALSE(link.CanModify());
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(ds->State(), dsBrowse);
  link.Field()->SetReadOnly(false);
  link.SetReadOnly(true);
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(FieldDataLinkTest, ActionsAreOfferedToTheDataSource) {
  TargetAction action;
  EXPECT_FALSE(link.ExecuteAction(&action));  // no data source
  link.SetDataSource(src);
  EXPECT_FALSE(link.ExecuteAction(&action));
  EXPECT_FALSE(link.UpdateAction(&action));
  EXPECT_TRUE(action.calls.empty());
  action.wanted = src;
  EXPECT_TRUE(link.ExecuteAction(&action));
  EXPECT_TRUE(link.UpdateAction(&action));
  EXPECT_EQ(action.calls, (std::vector<std::string>{"execute", "update"}));
  EXPECT_FALSE(link.ExecuteAction(static_cast<TargetAction*>(nullptr)));
}

}  // namespace

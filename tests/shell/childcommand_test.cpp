// Command sets: the naming rule of unnamed commands, copying sets and commands, and running a
// command as the host does (errors come back as a message, never as an exception).
#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"
#include "shell/childcommand.h"
#include "shell_test_util.h"

using namespace shelltest;

namespace {

class CommandSet : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    set = new TChildCommand(nullptr);
  }
  void TearDown() override {
    FreeAndNil(set);
    ShellTest::TearDown();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (int i = 0; i < set->Commands()->Count(); ++i) out.push_back(set->Commands()->Items(i)->Name());
    return out;
  }
  TChildCommand* set = nullptr;
};

TEST_F(CommandSet, UnnamedCommandsTakeTheSmallestFreeNumberIgnoringCase) {
  set->Commands()->Add();
  set->Commands()->Add();
  set->Commands()->Add();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Command1", "Command2", "Command3"}));

  set->Commands()->Clear();
  set->Commands()->Add()->SetName("command2");
  set->Commands()->Add();  // 1 is free
  set->Commands()->Add();  // 2 is taken by "command2": 3
  set->Commands()->Add();
  EXPECT_EQ(Names(), (std::vector<std::string>{"command2", "Command1", "Command3", "Command4"}));

  set->Commands()->Delete(1);  // frees 1 again
  set->Commands()->Add();
  EXPECT_EQ(Names().back(), "Command1");
}

TEST_F(CommandSet, ANamedCommandKeepsItsNameAndLooksUpIgnoringCase) {
  TCommand* c = static_cast<TCommand*>(set->Commands()->Insert(0));
  EXPECT_EQ(c->Name(), "Command1");  // named when added; a resource then sets its own name
  c->SetName("Save");
  EXPECT_EQ(set->Commands()->Find("SAVE"), c);
  EXPECT_EQ(set->Commands()->Find("load"), nullptr);
  EXPECT_EQ(c->DisplayName(), "Save");
}

TEST_F(CommandSet, AssigningANullCollectionLeavesTheSetAndACopyTakesEveryItem) {
  TCommand* a = set->Commands()->Add();
  a->SetName("new");
  a->SetCaption("new");
  int runs = 0;
  a->OnExecute = [&](TObject*) { ++runs; };
  set->SetCommands(nullptr);
  EXPECT_EQ(Names(), std::vector<std::string>{"new"});

  TChildCommand other(nullptr);
  other.SetCommands(set->Commands());
  ASSERT_EQ(other.Count(), 1);
  EXPECT_EQ(other.Command(0)->Name(), "new");
  EXPECT_EQ(other.Command(0)->Caption(), "new");
  other.Command(0)->Execute();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(other.Command(1), nullptr);
  EXPECT_EQ(other.Command(-1), nullptr);
}

TEST_F(CommandSet, AssignCopiesTextsShortcutPictureAndTheSameHandlers) {
  TCommand* a = set->Commands()->Add();
  a->SetName("save");
  a->SetCaption("保存");
  a->SetHint("保存单据");
  a->SetData("x=1");
  a->SetShortCut(0x4053);
  a->Bitmap()->SetSize(16, 16);
  TObject* sender = nullptr;
  a->OnExecute = [&](TObject* s) { sender = s; };
  TCommand* b = set->Commands()->Add();
  b->Assign(a);
  EXPECT_EQ(b->Name(), "save");
  EXPECT_EQ(b->Caption(), "保存");
  EXPECT_EQ(b->Hint(), "保存单据");
  EXPECT_EQ(b->Data(), "x=1");
  EXPECT_EQ(b->ShortCut(), 0x4053);
  EXPECT_EQ(b->Bitmap()->Width(), 16);
  ASSERT_NE(b->BitmapHandle(), nullptr);
  EXPECT_NE(b->BitmapHandle(), a->BitmapHandle());  // a copy, owned by each command
  EXPECT_FALSE(b->HasUpdate());
  b->Execute();
  EXPECT_EQ(sender, b);  // the same handler, with the running command as sender
  a->Execute();
  EXPECT_EQ(sender, a);

  b->SetBitmap(nullptr);
  EXPECT_EQ(b->BitmapHandle(), nullptr);
}

TEST_F(CommandSet, AnErrorInACommandReachesTheHostAsAMessageNotAsAnException) {
  TCommand* c = set->Commands()->Add();
  c->OnExecute = [](TObject*) { throw EDatabaseError("mtblMain: Field 'X' not found"); };
  IHostCommand* view = set->Command(0);
  EXPECT_NO_THROW(view->Execute());
  EXPECT_EQ(host->Messages(), std::vector<std::string>{"mtblMain: Field 'X' not found"});
  EXPECT_EQ(host->CallsOf(HM_SHOWMESSAGE)[0]->WParam, HOST_MESSAGE_ERROR);

  host->Clear();
  c->OnExecute = [](TObject*) { throw EAbort(); };  // silent by design
  view->Execute();
  c->OnExecute = [](TObject*) { throw 42; };
  view->Execute();
  EXPECT_EQ(host->Messages(), std::vector<std::string>{"Unknown error"});

  host->Clear();
  c->OnExecute = nullptr;
  EXPECT_FALSE(view->HasExecute());
  view->Execute();  // nothing to run
  EXPECT_TRUE(host->Calls().empty());
}

}  // namespace

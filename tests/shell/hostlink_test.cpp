// The host link driven by a fake host window: the entry's sequence, the host's messages to the
// form, the session opened on the first activation and closed once, the requests and their
// records, and replies that are refused or cannot be read.
#include <gtest/gtest.h>

#include "platform/forms/cmessages.h"
#include "platform/forms/forms.h"
#include "platform/rtl/strings.h"
#include "protocol/cvprotocol.h"
#include "shell/shellentry.h"
#include "shell/shellform.h"
#include "shell_test_util.h"

using namespace shelltest;

namespace {

const std::string kHeaderAndLines =
    "<rs typ=\"recordset\" tbname=\"TB_BILDA\">"
    "<row fields=\"BILDA_ID:NUMBER:38:0 BILDA002:VARCHAR2:20:0\" BILDA_ID=\"5\" BILDA002=\"FY0005\"/></rs>"
    "<rs typ=\"recordset\" tbname=\"TB_BILDB\">"
    "<row fields=\"BILDB_ID:NUMBER:38:0 BILDA_ID:NUMBER:38:0\" BILDB_ID=\"1\" BILDA_ID=\"5\"/>"
    "<row BILDB_ID=\"2\" BILDA_ID=\"5\"/></rs>";

class HostLink : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    host->SetReply(HM_OPENSESSION, ReplyDoc(0, "", "<rs typ=\"integer\">42</rs>"));
    host->SetReply(HM_CLOSESESSION, ReplyDoc(0));
  }
  void TearDown() override {
    if (TfrmChildBase* f = ShellChildForm()) f->Free();
    ShellTest::TearDown();
  }
  // The entry, as the host calls it.
  TfrmShellDocument* Show() {
    HWND wnd = ShowShellChildForm(nullptr, host->Handle(), host->Handle(), "费用垫付单");
    auto* form = dynamic_cast<TfrmShellDocument*>(ShellChildForm());
    EXPECT_NE(wnd, nullptr);
    EXPECT_EQ(form ? form->FormHandle() : nullptr, wnd);
    return form;
  }
  // The host puts the focus into the form: its first activation.
  void Activate(TfrmChildBase* form) {
    SetFocus(form->Handle());
    Application->ProcessMessages();
  }
  LRESULT Send(TfrmChildBase* form, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return SendMessage(form->Handle(), msg, wp, lp);
  }
};

TEST_F(HostLink, TheEntryRegistersTheFormThenBothCommandSets) {
  HWND handleAtRegistration = reinterpret_cast<HWND>(1);
  host->OnCall = [&](const HostCall& c) {
    if (c.Msg == HM_REGISTERFORM) handleAtRegistration = ShellChildForm()->FormHandle();
  };
  TfrmShellDocument* form = Show();
  ASSERT_NE(form, nullptr);
  host->OnCall = nullptr;
  ASSERT_EQ(host->Calls().size(), 3u);
  EXPECT_EQ(host->Calls()[0].Msg, HM_REGISTERFORM);
  EXPECT_EQ(host->Calls()[0].WParam, reinterpret_cast<WPARAM>(form->Handle()));
  EXPECT_EQ(handleAtRegistration, nullptr);  // the host hears of the window before FormHandle is set
  EXPECT_EQ(host->Calls()[1].Msg, HM_REGISTERCOMMANDS);
  EXPECT_EQ(host->Calls()[2].Msg, HM_REGISTERBASECOMMANDS);
  EXPECT_EQ(host->Calls()[1].CommandNames, (std::vector<std::string>{"Command1", "Command2"}));
  EXPECT_EQ(host->Calls()[2].CommandNames,
            (std::vector<std::string>{"new", "update", "delete", "save", "search", "cancel", "firstrec", "priorrec",
                                      "nextrec", "lastrec"}));
  IHostCommandSet* base = host->LastCommandSet(HM_REGISTERBASECOMMANDS);
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->Command(0)->Caption(), "new");
  EXPECT_EQ(base->Command(1)->Caption(), "");
  EXPECT_EQ(base->Command(0)->ShortCut(), 0);
  EXPECT_TRUE(base->Command(9)->HasExecute());

  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_EQ(form->ParentWindow(), host->Handle());
  EXPECT_EQ(form->Caption(), "费用垫付单");
  EXPECT_EQ(form->EditState(), esInitial);
  EXPECT_EQ(form->SessionId(), 0);
  EXPECT_EQ(form->ModuleCode(), "BIL");
  EXPECT_TRUE(host->Messages().empty());
}

TEST_F(HostLink, TheFirstActivationOpensOneSessionWithTheModuleNameAndCode) {
  TfrmShellDocument* form = Show();
  Activate(form);
  ASSERT_EQ(host->Count(HM_OPENSESSION), 1);
  const HostCall* open = host->CallsOf(HM_OPENSESSION)[0];
  EXPECT_EQ(open->Request.RequestName, u"Fano217");
  EXPECT_EQ(open->Request.ModuleCode, u"BIL");
  EXPECT_EQ(open->LParam, reinterpret_cast<LPARAM>(form->FormHandle()));
  EXPECT_EQ(form->SessionId(), 42);  // the first reply parameter
  EXPECT_EQ(form->EditState(), esBrowse);

  SetFocus(host->Handle());
  Activate(form);  // later activations open nothing
  form->Perform(CM_ACTIVATE, 0, 0);
  EXPECT_EQ(host->Count(HM_OPENSESSION), 1);
}

TEST_F(HostLink, TheSessionIdIsTheReplyCodeWithoutParameter) {
  host->SetReply(HM_OPENSESSION, ReplyDoc(7));
  TfrmShellDocument* form = Show();
  Activate(form);
  EXPECT_EQ(form->SessionId(), 7);
  EXPECT_TRUE(form->SessionOpen());
}

TEST_F(HostLink, ARefusedOpenIsShownAndKeepsTheSessionId) {
  host->SetReply(HM_OPENSESSION, ReplyDoc(-1, "会话已满"));
  TfrmShellDocument* form = Show();
  Activate(form);
  EXPECT_EQ(form->SessionId(), 0);
  EXPECT_FALSE(form->SessionOpen());
  EXPECT_EQ(host->Messages(), std::vector<std::string>{"会话已满"});
  EXPECT_EQ(host->CallsOf(HM_SHOWMESSAGE)[0]->WParam, HOST_MESSAGE_ERROR);
  // No session: the close sends nothing.
  EXPECT_EQ(Send(form, HM_CLOSEREQUEST), 0);
  EXPECT_EQ(host->Count(HM_CLOSESESSION), 0);
}

TEST_F(HostLink, AGarbledOpenReplyIsNotSuccess) {
  TfrmShellDocument* form = Show();
  form->SetSessionId(9);  // as left by an earlier session
  // An earlier reply read successfully: code 0, which a failed read must not reuse.
  ASSERT_TRUE(form->Protocol()->ParseReply(ReplyDoc(0)));
  host->SetReply(HM_OPENSESSION, "<corvane><status><code>0</code></stat");
  Activate(form);
  EXPECT_EQ(form->SessionId(), 9);
  EXPECT_FALSE(form->SessionOpen());
  ASSERT_EQ(host->Messages().size(), 1u);
  EXPECT_EQ(host->Messages()[0].rfind("The host's reply to the session open request could not be read", 0), 0u)
      << host->Messages()[0];

  // An empty reply (a host that did not answer) is no session either.
  host->Clear();
  host->SetReply(HM_OPENSESSION, "");
  EXPECT_EQ(form->OpenHostSession("Fano217"), 9);
  EXPECT_EQ(host->Messages().size(), 1u);
  // A reply whose rows cannot be read (a text in an integer column) is reported the same way.
  host->Clear();
  host->SetReply(HM_OPENSESSION,
                 ReplyDoc(0, "", "<rs typ=\"recordset\"><r fields=\"N:NUMBER:38:0\" N=\"abc\"/></rs>"));
  EXPECT_EQ(form->OpenHostSession("Fano217"), 9);
  EXPECT_EQ(host->Messages().size(), 1u);
  EXPECT_FALSE(form->SessionOpen());
}

TEST_F(HostLink, HostInformationSetsTheFunctionNameAndAMissingModuleCode) {
  TfrmShellDocument* form = Show();
  HostInformationRecord rec;
  rec.UserAccount = u"wangwu";
  Send(form, HM_HOSTINFO, reinterpret_cast<WPARAM>(&rec), reinterpret_cast<LPARAM>("XYZ:fano217_list"));
  EXPECT_EQ(GlobalVar::HostInfo, &rec);
  EXPECT_EQ(form->ModuleCode(), "BIL");  // set by the form: stays
  EXPECT_EQ(form->FunctionName(), "fano217_list");

  form->SetModuleCode("");
  Send(form, HM_HOSTINFO, reinterpret_cast<WPARAM>(&info), reinterpret_cast<LPARAM>("ABC:f:g"));
  EXPECT_EQ(form->ModuleCode(), "ABC");
  EXPECT_EQ(form->FunctionName(), "f:g");  // after the first colon

  form->SetModuleCode("");
  Send(form, HM_HOSTINFO, reinterpret_cast<WPARAM>(&info), reinterpret_cast<LPARAM>("nocolon"));
  EXPECT_EQ(form->ModuleCode(), "");
  EXPECT_EQ(form->FunctionName(), "nocolon");
  Send(form, HM_HOSTINFO, reinterpret_cast<WPARAM>(&info), 0);  // no text at all
  EXPECT_EQ(form->FunctionName(), "");
}

TEST_F(HostLink, TheColourSchemeIsKeptAndApplied) {
  TfrmShellDocument* form = Show();
  colors.ShowTitle = false;
  colors.FormColor = 0x00E0F0F0;
  Send(form, HM_COLORSCHEME, reinterpret_cast<WPARAM>(&colors));
  EXPECT_EQ(GlobalVar::ColorScheme, &colors);
  EXPECT_EQ(form->Color(), 0x00E0F0F0);
  EXPECT_FALSE(form->TitleVisible());
}

TEST_F(HostLink, ActivateByHandleShowsThisFormAndHidesForOthers) {
  TfrmShellDocument* form = Show();
  FakeHost other;
  host->Clear();
  Send(form, HM_ACTIVATECHILD, reinterpret_cast<WPARAM>(other.Handle()), -1);
  EXPECT_EQ(form->ParentWindow(), other.Handle());
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(host->Count(HM_REGISTERCOMMANDS), 0);

  Send(form, HM_ACTIVATECHILD, reinterpret_cast<WPARAM>(host->Handle()), reinterpret_cast<LPARAM>(form->Handle()));
  EXPECT_EQ(form->ParentWindow(), host->Handle());
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(host->Count(HM_REGISTERCOMMANDS), 1);
  EXPECT_EQ(host->Count(HM_REGISTERBASECOMMANDS), 1);

  Send(form, HM_ACTIVATECHILD, reinterpret_cast<WPARAM>(host->Handle()), reinterpret_cast<LPARAM>(other.Handle()));
  EXPECT_FALSE(form->Visible());

  Send(form, HM_SHOW);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(host->Count(HM_REGISTERCOMMANDS), 2);
  Send(form, HM_HIDE);
  EXPECT_FALSE(form->Visible());
}

TEST_F(HostLink, CloseRequestsAskTheFormAndAreRefusedOnNo) {
  TestDialog dialog;
  TfrmShellDocument* form = Show();
  Activate(form);
  EXPECT_EQ(Send(form, HM_CANCLOSE), 0);  // browsing: no question

  host->LastCommandSet(HM_REGISTERBASECOMMANDS)->Command(0)->Execute();  // "new"
  EXPECT_EQ(form->EditState(), esNew);
  int boxes = dialog.Count();
  dialog.SetAnswer(7);  // No
  EXPECT_EQ(Send(form, HM_CANCLOSE), 1);
  EXPECT_EQ(Send(form, HM_CLOSEREQUEST), 1);
  EXPECT_EQ(dialog.Count(), boxes + 2);
  EXPECT_EQ(dialog.LastText(), "有数据未保存，您确定要退出当前窗体吗？");
  EXPECT_EQ(dialog.LastFlags(), HOST_BOX_YESNO);
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(form->DataFreed());
  EXPECT_EQ(host->Count(HM_CLOSESESSION), 0);

  dialog.SetAnswer(6);  // Yes
  EXPECT_EQ(Send(form, HM_CLOSEREQUEST), 0);
  EXPECT_FALSE(form->Visible());  // hidden, not destroyed
  EXPECT_TRUE(form->DataFreed());
  EXPECT_EQ(form->Protocol(), nullptr);
  ASSERT_EQ(host->Count(HM_CLOSESESSION), 1);
  EXPECT_EQ(host->CallsOf(HM_CLOSESESSION)[0]->Request.SessionId, 42);
  EXPECT_EQ(host->CallsOf(HM_CLOSESESSION)[0]->Request.ModuleCode, u"BIL");
}

TEST_F(HostLink, AfterTheCloseTheSessionIsNotClosedAgainAndRequestsDoNothing) {
  TfrmShellDocument* form = Show();
  Activate(form);
  EXPECT_EQ(Send(form, HM_CLOSEREQUEST), 0);
  ASSERT_EQ(host->Count(HM_CLOSESESSION), 1);

  host->Clear();
  Send(form, HM_SHOW);
  EXPECT_EQ(Send(form, HM_CLOSEREQUEST), 0);
  form->Close();
  IHostCommandSet* base = host->LastCommandSet(HM_REGISTERBASECOMMANDS);
  ASSERT_NE(base, nullptr);
  for (int i = 0; i < base->Count(); ++i) base->Command(i)->Execute();
  host->LastCommandSet(HM_REGISTERCOMMANDS)->Command(0)->Execute();  // a lookup
  std::string reply = "untouched";
  form->ExecHostCommand(form->SessionId(), "display", "<corvane/>", reply);
  EXPECT_EQ(reply, "");
  form->HostSearch(TArgArr(), reply);
  EXPECT_EQ(form->OpenHostSession("Fano217"), 42);
  EXPECT_EQ(form->EditState(), esBrowse);  // "new" did not run
  EXPECT_EQ(host->Count(HM_CLOSESESSION), 0);
  EXPECT_EQ(host->Count(HM_OPENSESSION), 0);
  EXPECT_EQ(host->Count(HM_EXECCOMMAND), 0);
  EXPECT_EQ(host->Count(HM_SEARCH), 0);
  EXPECT_EQ(host->Count(HM_LOOKUP), 0);
  EXPECT_TRUE(host->Messages().empty());
}

TEST_F(HostLink, ADisplayRequestCarriesTheSessionCommandAndKey) {
  TfrmShellDocument* form = Show();
  Activate(form);
  host->SetReply(HM_EXECCOMMAND, ReplyDoc(0, "", kHeaderAndLines));
  ASSERT_TRUE(form->LoadDocument(5));
  ASSERT_EQ(host->Count(HM_EXECCOMMAND), 1);
  const HostCall* call = host->CallsOf(HM_EXECCOMMAND)[0];
  EXPECT_EQ(call->Request.SessionId, 42);
  EXPECT_EQ(call->Request.CommandName, u"display");
  EXPECT_EQ(call->Request.ModuleCode, u"BIL");
  EXPECT_NE(Utf16ToUtf8(call->Request.RequestXml).find(">5<"), std::string::npos) << Utf16ToUtf8(call->Request.RequestXml);
  EXPECT_EQ(call->LParam, reinterpret_cast<LPARAM>(form->FormHandle()));
  EXPECT_EQ(form->DocumentId(), 5);
  EXPECT_EQ(form->HeaderRows(), 1);
  EXPECT_EQ(form->LineRows(), 2);
  EXPECT_TRUE(host->Messages().empty());
}

TEST_F(HostLink, AGarbledOrRefusedDisplayReplyChangesNothing) {
  TfrmShellDocument* form = Show();
  Activate(form);
  host->SetReply(HM_EXECCOMMAND, ReplyDoc(0, "", kHeaderAndLines));
  ASSERT_TRUE(form->LoadDocument(5));
  host->LastCommandSet(HM_REGISTERBASECOMMANDS)->Command(1)->Execute();  // "update"
  ASSERT_EQ(form->EditState(), esEditing);

  host->SetReply(HM_EXECCOMMAND, "<corvane><status><code>0</code></status><rs typ=\"recordset\"><row/></rs></corvane>");
  EXPECT_FALSE(form->LoadDocument(6));
  EXPECT_EQ(form->DocumentId(), 5);
  EXPECT_EQ(form->HeaderRows(), 1);
  EXPECT_EQ(form->LineRows(), 2);
  EXPECT_EQ(form->EditState(), esEditing);
  EXPECT_EQ(form->SessionId(), 42);
  ASSERT_EQ(host->Messages().size(), 1u);
  EXPECT_NE(host->Messages()[0].find("display request could not be read"), std::string::npos);

  host->SetReply(HM_EXECCOMMAND, ReplyDoc(3, "单据不存在"));
  EXPECT_FALSE(form->LoadDocument(6));
  EXPECT_EQ(form->DocumentId(), 5);
  EXPECT_EQ(form->EditState(), esEditing);
  EXPECT_EQ(host->Messages().back(), "单据不存在");
}

TEST_F(HostLink, LookupAndSearchRecordsCarryViewFlagsFunctionAndArguments) {
  TfrmShellDocument* form = Show();
  Activate(form);
  Send(form, HM_HOSTINFO, reinterpret_cast<WPARAM>(&info), reinterpret_cast<LPARAM>("BIL:fano217_query"));
  host->SetReply(HM_LOOKUP, ReplyDoc(0, "", "<rs typ=\"recordset\" tbname=\"vh_pubcb\">"
                                            "<r fields=\"PUBCB_ID:NUMBER:38:0 PUBCB001:VARCHAR2:20:0\" "
                                            "PUBCB_ID=\"3\" PUBCB001=\"YY01\"/></rs>"));
  host->LastCommandSet(HM_REGISTERCOMMANDS)->Command(0)->Execute();
  ASSERT_EQ(host->Count(HM_LOOKUP), 1);
  const HostCall* lookup = host->CallsOf(HM_LOOKUP)[0];
  EXPECT_EQ(lookup->Request.FunctionName, u"vh_pubcb");
  EXPECT_EQ(lookup->Request.LookupFlagA, 1);
  EXPECT_EQ(lookup->Request.LookupFlagB, 0);
  EXPECT_EQ(lookup->Request.LookupFlagC, 0);
  EXPECT_EQ(form->LookupRows(), 1);

  TArgArr args(1);
  args[0].SetName("arg");
  args[0].ArgFlag = true;
  args[0].SetValue("17");
  EXPECT_TRUE(form->Lookup("vh_pubig_t1", args));
  EXPECT_EQ(host->CallsOf(HM_LOOKUP)[1]->ArgNames, std::vector<std::string>{"arg"});
  EXPECT_EQ(host->CallsOf(HM_LOOKUP)[1]->ArgValues, std::vector<std::string>{"17"});

  host->SetReply(HM_SEARCH, ReplyDoc(0, "", "<rs typ=\"recordset\" tbname=\"TB_BILDA\">"
                                            "<r fields=\"BILDA_ID:NUMBER:38:0\" BILDA_ID=\"5\"/>"
                                            "<r BILDA_ID=\"8\"/></rs>"));
  host->SetReply(HM_EXECCOMMAND, ReplyDoc(0, "", kHeaderAndLines));
  host->LastCommandSet(HM_REGISTERBASECOMMANDS)->Command(4)->Execute();  // "search"
  ASSERT_EQ(host->Count(HM_SEARCH), 1);
  EXPECT_EQ(host->CallsOf(HM_SEARCH)[0]->Request.FunctionName, u"fano217_query");
  EXPECT_TRUE(host->CallsOf(HM_SEARCH)[0]->ArgNames.empty());
  EXPECT_EQ(form->ListRows(), 2);
  EXPECT_EQ(form->DocumentId(), 5);  // the list's first row was loaded
  EXPECT_EQ(host->Count(HM_EXECCOMMAND), 1);
  EXPECT_TRUE(host->Messages().empty());
}

TEST_F(HostLink, TheEditStateFollowsTheStandardCommands) {
  TestDialog dialog;
  TfrmShellDocument* form = Show();
  Activate(form);
  IHostCommandSet* base = host->LastCommandSet(HM_REGISTERBASECOMMANDS);
  int boxes = dialog.Count();
  base->Command(3)->Execute();  // save while browsing: refused with a notice
  EXPECT_EQ(dialog.Count(), boxes + 1);
  EXPECT_EQ(dialog.LastText(), "浏览状态无法保存记录！");
  EXPECT_EQ(dialog.LastFlags(), HOST_BOX_NOTICE);
  base->Command(0)->Execute();  // new
  EXPECT_EQ(form->EditState(), esNew);
  base->Command(0)->Execute();  // new again: refused
  EXPECT_EQ(dialog.LastText(), "编辑状态无法新增记录！");
  EXPECT_EQ(form->EditState(), esNew);
  base->Command(3)->Execute();  // save
  EXPECT_EQ(form->EditState(), esBrowse);
  base->Command(1)->Execute();  // update
  EXPECT_EQ(form->EditState(), esEditing);
  base->Command(5)->Execute();  // cancel
  EXPECT_EQ(form->EditState(), esBrowse);
}

}  // namespace

TEST_F(HostLink, AYesToTheMayCloseQueryIsNotAskedAgainByTheCloseRequestThatFollows) {
  TestDialog dialog;
  TfrmShellDocument* form = Show();
  Activate(form);
  host->LastCommandSet(HM_REGISTERBASECOMMANDS)->Command(0)->Execute();  // "new"
  ASSERT_EQ(form->EditState(), esNew);
  dialog.SetAnswer(6);  // Yes
  int boxes = dialog.Count();
  EXPECT_EQ(Send(form, HM_CANCLOSE), 0);
  EXPECT_EQ(dialog.Count(), boxes + 1);
  // Something the user does in between withdraws the answer: the close request asks again.
  host->LastCommandSet(HM_REGISTERBASECOMMANDS)->Command(0)->Execute();  // "new" again, refused
  boxes = dialog.Count();
  dialog.SetAnswer(7);  // No
  EXPECT_EQ(Send(form, HM_CLOSEREQUEST), 1);
  EXPECT_EQ(dialog.Count(), boxes + 1);
  EXPECT_FALSE(form->DataFreed());

  // The host's close: the query, answered Yes, then the request, which asks nothing more.
  dialog.SetAnswer(6);
  boxes = dialog.Count();
  EXPECT_EQ(Send(form, HM_CANCLOSE), 0);
  EXPECT_EQ(Send(form, HM_CLOSEREQUEST), 0);
  EXPECT_EQ(dialog.Count(), boxes + 1);
  EXPECT_TRUE(form->DataFreed());
}

// The module as the host sees it: one exported symbol, loaded with dlopen, its entry run across the
// library boundary against a host window of ours.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell_test_util.h"

using namespace shelltest;

namespace {

std::vector<std::string> ExportedSymbols(const std::string& library) {
  std::vector<std::string> out;
  std::string cmd = "nm -D --defined-only '" + library + "'";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char line[1024];
  while (fgets(line, sizeof line, p)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    size_t sp = s.rfind(' ');
    if (sp == std::string::npos) continue;
    std::string name = s.substr(sp + 1);
    // The linker's own markers of the image's layout.
    if (name == "_edata" || name == "_end" || name == "__bss_start" || name == "_init" || name == "_fini") continue;
    out.push_back(name);
  }
  pclose(p);
  return out;
}

TEST(Module, ShowChildFormIsItsOnlyExport) {
  EXPECT_EQ(ExportedSymbols(FANO_TEST_MODULE), std::vector<std::string>{"ShowChildForm"});
}

using ModuleLoad = ShellTest;

TEST_F(ModuleLoad, TheHostLoadsTheModuleShowsTheFormAndTalksToIt) {
  HMODULE module = LoadLibrary(FANO_TEST_MODULE);
  ASSERT_NE(module, nullptr);
  auto show = reinterpret_cast<TShowChildFormProc>(GetProcAddress(module, kShowChildFormEntry));
  ASSERT_NE(show, nullptr);
  host->SetReply(HM_OPENSESSION, ReplyDoc(0, "", "<rs typ=\"integer\">11</rs>"));
  host->SetReply(HM_CLOSESESSION, ReplyDoc(0));

  HWND form = show(nullptr, host->Handle(), host->Handle(), "费用垫付单");
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(host->Calls().size(), 3u);
  EXPECT_EQ(host->Calls()[0].Msg, HM_REGISTERFORM);
  EXPECT_EQ(host->Calls()[0].WParam, reinterpret_cast<WPARAM>(form));
  EXPECT_EQ(host->Calls()[2].CommandNames.size(), 10u);
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_EQ(GetParent(form), host->Handle());

  // Host information and colours arrive; the first activation opens the session.
  SendMessage(form, HM_HOSTINFO, reinterpret_cast<WPARAM>(&info), reinterpret_cast<LPARAM>("BIL:fano217"));
  SendMessage(form, HM_COLORSCHEME, reinterpret_cast<WPARAM>(&colors), 0);
  SetFocus(form);
  ASSERT_EQ(host->Count(HM_OPENSESSION), 1);
  EXPECT_EQ(host->CallsOf(HM_OPENSESSION)[0]->Request.RequestName, u"Fano217");

  // A command run through the host's view: "new", then a close the user refuses, then accepts.
  TestDialog dialog;
  host->LastCommandSet(HM_REGISTERBASECOMMANDS)->Command(0)->Execute();
  dialog.SetAnswer(7);
  EXPECT_EQ(SendMessage(form, HM_CANCLOSE, 0, 0), 1);
  dialog.SetAnswer(6);
  EXPECT_EQ(SendMessage(form, HM_CLOSEREQUEST, 0, 0), 0);
  EXPECT_EQ(SendMessage(form, HM_CLOSEREQUEST, 0, 0), 0);
  ASSERT_EQ(host->Count(HM_CLOSESESSION), 1);
  EXPECT_EQ(host->CallsOf(HM_CLOSESESSION)[0]->Request.SessionId, 11);
  EXPECT_FALSE(IsWindowVisible(form));
  EXPECT_TRUE(host->Messages().empty());

  // The library stays mapped while this thread lives (the runtime's per-thread converters pin it);
  // its forms go with it at exit.
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace

// The host's lookup dialog: the captions the rows carry head the columns, the list keeps its own
// scroll bars inside the dialog, and the keyboard chooses a row.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/lookupdlg.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace {

using namespace fanohost;

hostdb::RowSet Merchants(int count) {
  hostdb::RowSet rows;
  rows.table = "vh_pubgo";
  rows.title = "商户";
  rows.columns = {{"PUBGO_ID", "INTEGER", 0, 0}, {"PUBGO001", "VARCHAR", 20, 0}, {"PUBGO003", "VARCHAR", 30, 0}};
  rows.captions = {"商户ID", "商户号", "商户名称"};
  for (int i = 0; i < count; ++i)
    rows.rows.push_back({Variant::FromInt64(i + 1), Variant("SH0000" + std::to_string(i)), Variant("商户" + std::to_string(i))});
  return rows;
}

std::vector<std::string> Texts(HDC dc) {
  std::vector<std::string> out;
  for (int i = 0; i < FanoRecordCount(dc); ++i) {
    FANO_DRAW_RECORD r{};
    FanoRecordGet(dc, i, &r);
    if (r.text[0]) out.emplace_back(r.text);
  }
  return out;
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
  for (const std::string& t : texts)
    if (t == text) return true;
  return false;
}

class LookupDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    FanoUseHeadless();
    WNDCLASS wc{};
    if (!GetClassInfo(nullptr, "LookupDialogTestOwner", &wc)) {
      wc.lpfnWndProc = DefWindowProc;
      wc.lpszClassName = "LookupDialogTestOwner";
      ASSERT_TRUE(RegisterClass(&wc));
    }
    owner = CreateWindowEx(0, "LookupDialogTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                           nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
  }
  void TearDown() override {
    SetLookupShownHook(nullptr);
    DestroyWindow(owner);
  }
  HWND owner = nullptr;
};

TEST_F(LookupDialog, CaptionsHeadTheColumnsAndTheListHasItsOwnScrollBar) {
  hostdb::RowSet rows = Merchants(60);
  bool looked = false;
  SetLookupShownHook([&](HWND dialog) {
    looked = true;
    char title[128] = {};
    GetWindowText(dialog, title, sizeof title);
    EXPECT_STREQ(title, "选择商户");
    // The dialog has no scroll bar of its own: the list has both, inside the dialog's client area.
    EXPECT_EQ(GetWindowLongPtr(dialog, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), 0);
    HWND list = GetWindow(dialog, GW_CHILD);
    ASSERT_NE(list, nullptr);
    EXPECT_NE(GetWindowLongPtr(list, GWL_STYLE) & WS_VSCROLL, 0);
    RECT client, inner;
    GetClientRect(dialog, &client);
    GetWindowRect(list, &inner);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&inner), 2);
    EXPECT_GT(inner.left, client.left);
    EXPECT_LT(inner.right, client.right);
    RECT listClient;
    GetClientRect(list, &listClient);
    EXPECT_LT(listClient.right, inner.right - inner.left);  // the bar is the list's
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 59);
    EXPECT_GT(si.nPage, 0u);
    EXPECT_LT(si.nPage, 60u);
    // Captions, not field codes, head the columns.
    HDC dc = FanoCreateRecordingDC(listClient.right, listClient.bottom);
    PaintLookupList(dialog, dc);
    const std::vector<std::string> texts = Texts(dc);
    DeleteDC(dc);
    EXPECT_TRUE(Has(texts, "商户号")) << ::testing::PrintToString(texts);
    EXPECT_TRUE(Has(texts, "商户名称"));
    EXPECT_FALSE(Has(texts, "PUBGO001"));
    EXPECT_TRUE(Has(texts, "SH00001"));
    const char* dir = std::getenv("FANO_SNAPSHOT_DIR");
    if (dir && *dir) FanoSnapshotWindow(dialog, (std::string(dir) + "/lookup_dialog.png").c_str());
    // The keyboard goes to the list: two rows down, Enter.
    EXPECT_EQ(GetFocus(), list);
    SendMessage(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessage(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessage(list, WM_KEYDOWN, VK_RETURN, 0);
  });
  std::optional<size_t> chosen = ChooseRow(owner, "选择" + rows.title, rows);
  EXPECT_TRUE(looked);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, 2u);
}

TEST_F(LookupDialog, WithoutCaptionsTheColumnNamesHeadTheColumnsAndEscapeChoosesNothing) {
  hostdb::RowSet rows = Merchants(3);
  rows.captions.clear();
  SetLookupShownHook([&](HWND dialog) {
    HDC dc = FanoCreateRecordingDC(600, 300);
    PaintLookupList(dialog, dc);
    EXPECT_TRUE(Has(Texts(dc), "PUBGO001"));
    DeleteDC(dc);
    SendMessage(GetWindow(dialog, GW_CHILD), WM_KEYDOWN, VK_ESCAPE, 0);
  });
  EXPECT_FALSE(ChooseRow(owner, "选择vh_pubgo", rows).has_value());
}

}  // namespace

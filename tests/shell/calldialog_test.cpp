// The host's message box: the dialog library is found in the host directory (with or without a
// separator at its end) and loaded for each box; without it every box answers 0 (no).
#include <gtest/gtest.h>

#include "platform/forms/forms.h"
#include "platform/rtl/strings.h"
#include "shell/calldialog.h"
#include "shell_test_util.h"

using namespace shelltest;

namespace {

using HostBox = ShellTest;

TEST_F(HostBox, ADirectoryWithoutSeparatorStillFindsTheLibrary) {
  TestDialog dialog;
  EXPECT_EQ(CallDialog::DialogLibraryPath(), std::string(FANO_TEST_HOSTDIR) + "/dialog.so");
  int before = dialog.Count();
  dialog.SetAnswer(6);
  EXPECT_EQ(CallDialog::HostMessageBox(CallDialog::kBoxCaption, "是否保存？", HOST_BOX_YESNO), 6);
  ASSERT_EQ(dialog.Count(), before + 1);
  EXPECT_EQ(dialog.LastFlags(), HOST_BOX_YESNO);
  EXPECT_EQ(dialog.LastCaption(), "提示：");
  EXPECT_EQ(dialog.LastText(), "是否保存？");

  info.HostDirectory += u"/";  // with the separator: the same library, no doubled separator
  EXPECT_EQ(CallDialog::DialogLibraryPath(), std::string(FANO_TEST_HOSTDIR) + "/dialog.so");
  dialog.SetAnswer(7);
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "删除吗？", HOST_BOX_YESNO), 7);
  EXPECT_EQ(dialog.Count(), before + 2);
}

TEST_F(HostBox, WithoutLibraryOrHostRecordABoxAnswersNo) {
  TestDialog dialog;
  dialog.SetAnswer(6);
  int before = dialog.Count();
  info.HostDirectory = u"/nonexistent/host";
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "删除吗？", HOST_BOX_YESNO), 0);
  info.HostDirectory = u"";
  EXPECT_EQ(CallDialog::DialogLibraryPath(), "");
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "删除吗？", HOST_BOX_YESNO), 0);
  GlobalVar::HostInfo = nullptr;
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "删除吗？", HOST_BOX_YESNO), 0);
  EXPECT_EQ(dialog.Count(), before);
  EXPECT_TRUE(host->Messages().empty());  // nothing is reported either
}

TEST_F(HostBox, ALibraryWithoutTheEntryAnswersNo) {
  TestDialog dialog;
  dialog.SetAnswer(6);
  int before = dialog.Count();
  info.HostDirectory = Utf8ToUtf16(FANO_TEST_HOSTDIR "_noentry");
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "x", HOST_BOX_YESNO), 0);
  EXPECT_EQ(dialog.Count(), before);
}

TEST(HostRecordsRead, TextsAreReadAsModuleTextAndMissingRecordsReadEmpty) {
  HostInformationRecord rec;
  rec.UserAccount = u"lisi";
  rec.UserName = u"李四";
  rec.UserGroup = u"市场部";
  rec.HostDirectory = u"/opt/host/";
  rec.UserId = 12;
  GlobalVar::HostInfo = &rec;
  EXPECT_EQ(GlobalVar::HostUserAccount(), "lisi");
  EXPECT_EQ(GlobalVar::HostUserName(), "李四");
  EXPECT_EQ(GlobalVar::HostUserGroup(), "市场部");
  EXPECT_EQ(GlobalVar::HostDirectory(), "/opt/host/");
  EXPECT_EQ(GlobalVar::HostUserId(), 12);
  GlobalVar::HostInfo = nullptr;
  EXPECT_EQ(GlobalVar::HostUserAccount(), "");
  EXPECT_EQ(GlobalVar::HostUserId(), 0);
}

}  // namespace

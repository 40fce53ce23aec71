// The host's message box: the dialog library is found in the host directory (with or without a
// separator at its end) and loaded for each box; without it every box answers 0 (no).
#include <gtest/gtest.h>

#include "platform/forms/forms.h"
#include "platform/os/winuser.h"
#include "platform/rtl/strings.h"
#include "shell/calldialog.h"
#include "shell_test_util.h"

using namespace shelltest;

namespace {

class HostBox : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    // Keep the library loaded so that its records outlive the module's load and unload.
    lib = LoadLibrary((std::string(FANO_TEST_HOSTDIR) + "/dialog.so").c_str());
    ASSERT_NE(lib, nullptr);
    setAnswer = reinterpret_cast<void (*)(int32_t)>(GetProcAddress(lib, "TestDialogSetAnswer"));
    boxCount = reinterpret_cast<int (*)()>(GetProcAddress(lib, "TestDialogBoxCount"));
    lastBox = reinterpret_cast<int32_t (*)(char*, char*, size_t, HWND*)>(GetProcAddress(lib, "TestDialogLastBox"));
    ASSERT_TRUE(setAnswer && boxCount && lastBox);
  }
  void TearDown() override {
    FreeLibrary(lib);
    ShellTest::TearDown();
  }
  HMODULE lib = nullptr;
  void (*setAnswer)(int32_t) = nullptr;
  int (*boxCount)() = nullptr;
  int32_t (*lastBox)(char*, char*, size_t, HWND*) = nullptr;
};

TEST_F(HostBox, ADirectoryWithoutSeparatorStillFindsTheLibrary) {
  EXPECT_EQ(CallDialog::DialogLibraryPath(), std::string(FANO_TEST_HOSTDIR) + "/dialog.so");
  int before = boxCount();
  setAnswer(6);
  EXPECT_EQ(CallDialog::HostMessageBox(CallDialog::kBoxCaption, "是否保存？", HOST_BOX_YESNO), 6);
  ASSERT_EQ(boxCount(), before + 1);
  char caption[64], text[64];
  HWND owner = nullptr;
  EXPECT_EQ(lastBox(caption, text, sizeof caption, &owner), HOST_BOX_YESNO);
  EXPECT_STREQ(caption, "提示：");
  EXPECT_STREQ(text, "是否保存？");
  EXPECT_EQ(owner, Application->Handle());

  info.HostDirectory += u"/";  // with the separator: the same library, no doubled separator
  EXPECT_EQ(CallDialog::DialogLibraryPath(), std::string(FANO_TEST_HOSTDIR) + "/dialog.so");
  setAnswer(7);
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "删除吗？", HOST_BOX_YESNO), 7);
  EXPECT_EQ(boxCount(), before + 2);
}

TEST_F(HostBox, WithoutLibraryOrHostRecordABoxAnswersNo) {
  int before = boxCount();
  info.HostDirectory = u"/nonexistent/host";
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "删除吗？", HOST_BOX_YESNO), 0);
  info.HostDirectory = u"";
  EXPECT_EQ(CallDialog::DialogLibraryPath(), "");
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "删除吗？", HOST_BOX_YESNO), 0);
  GlobalVar::HostInfo = nullptr;
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "删除吗？", HOST_BOX_YESNO), 0);
  EXPECT_EQ(boxCount(), before);
  EXPECT_TRUE(host->Messages().empty());  // nothing is reported either
}

TEST_F(HostBox, ALibraryWithoutTheEntryAnswersNo) {
  int before = boxCount();
  info.HostDirectory = Utf8ToUtf16(FANO_TEST_HOSTDIR "_noentry");
  EXPECT_EQ(CallDialog::HostMessageBox("提示：", "x", HOST_BOX_NOTICE), 0);
  EXPECT_EQ(boxCount(), before);
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

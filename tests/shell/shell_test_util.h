#pragma once
// Fixture of the shell tests: headless display, a fake host window as GlobalVar::HostWindow and a
// host-information record; the globals are put back afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_host.h"
#include "shell/globalvar.h"

namespace shelltest {

// The test's dialog library (FANO_TEST_HOSTDIR/dialog.so), kept loaded so that what it recorded
// outlives the module's load and unload of it for each box.
class TestDialog {
 public:
  TestDialog();
  ~TestDialog();
  void SetAnswer(int32_t value) { setAnswer_(value); }
  int Count() const { return count_(); }
  // The last box: its text (caption "提示：" checked by the caller) and flags.
  std::string LastText() const;
  std::string LastCaption() const;
  int32_t LastFlags() const;

 private:
  HMODULE lib_ = nullptr;
  void (*setAnswer_)(int32_t) = nullptr;
  int (*count_)() = nullptr;
  int32_t (*last_)(char*, char*, size_t, HWND*) = nullptr;
};

// A reply document: status with code and info, then the items.
std::string ReplyDoc(int code, const std::string& info = "", const std::string& items = "");

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::unique_ptr<FakeHost> host;
  HostInformationRecord info;
  ColorSchemeRecord colors;
};

}  // namespace shelltest

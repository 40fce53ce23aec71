#pragma once
// Fixture of the shell tests: headless display, a fake host window as GlobalVar::HostWindow and a
// host-information record; the globals are put back afterwards.
#include <gtest/gtest.h>

#include <memory>

#include "fake_host.h"
#include "shell/globalvar.h"

namespace shelltest {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::unique_ptr<FakeHost> host;
  HostInformationRecord info;
  ColorSchemeRecord colors;
};

}  // namespace shelltest

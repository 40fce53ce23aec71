#include "dbeditor_fixture.h"

#include "platform/rtl/sysutils.h"

namespace dbfix {

void SetToday(int y, int m, int d, int h, int n) {
  SYSTEMTIME st{};
  st.wYear = static_cast<uint16_t>(y);
  st.wMonth = static_cast<uint16_t>(m);
  st.wDay = static_cast<uint16_t>(d);
  st.wHour = static_cast<uint16_t>(h);
  st.wMinute = static_cast<uint16_t>(n);
  ClockSetLocalTime(&st);
}

void EditorFixture::SetUp() {
  FormatSettings = TFormatSettings::Default();
  uitest::FormTest::SetUp();
}

void EditorFixture::TearDown() {
  uitest::FormTest::TearDown();
  FormatSettings = TFormatSettings::Default();
}

}  // namespace dbfix

#include "dbeditor_fixture.h"

#include "platform/rtl/sysutils.h"

namespace dbfix {

void EditorFixture::SetUp() {
  FormatSettings = TFormatSettings::Default();
  uitest::FormTest::SetUp();
}

void EditorFixture::TearDown() {
  uitest::FormTest::TearDown();
  FormatSettings = TFormatSettings::Default();
}

}  // namespace dbfix

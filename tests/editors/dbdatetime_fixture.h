#pragma once
// Fixture of the date editor tests: dates written day/month/year, today the 7th of December 2026,
// and a date editor on the form (not yet shown).
#include "dbeditor_fixture.h"
#include "editors/dbdatetime.h"
#include "platform/rtl/sysutils.h"

namespace dbfix {

class DateEditFixture : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    FormatSettings.ShortDateFormat = "dd/mm/yyyy";
    FormatSettings.DateSeparator = '/';
    SetToday(2026, 12, 7);
    edit = Add<TDBDateTimeEditGx>(20, 20, 150, 21);
  }
  TDBDateTimeEditGx* edit = nullptr;
};

}  // namespace dbfix

#pragma once
// Fixture of the editor tests: headless display, test font, simulated clock, a form to put
// editors on, and a memory table (ID integer, NAME string of 10, NOTE memo, FLAG Boolean, CODE
// string of 4) with two rows, bound through a data source.
#include <memory>
#include <string>

#include "memtable/memtable.h"
#include "support/ui_fixture.h"

namespace edtest {

using uitest::AdvanceAndPump;
using uitest::KeyPress;
using uitest::MouseDown;
using uitest::MouseUp;
using uitest::Pump;
using uitest::ScreenPoint;
using uitest::Type;
inline void Click(TControl* c, int x, int y) { uitest::ClickAt(c, x, y); }

class EditorTest : public uitest::FormTest {
 protected:
  void SetUp() override {
    uitest::FormTest::SetUp();
    table = new TMemTableGx(form);
    table->SetName("mtblTest");
    table->FieldDefs().Add("ID", ftInteger);
    table->FieldDefs().Add("NAME", ftString, 10);
    table->FieldDefs().Add("NOTE", ftMemo);
    table->FieldDefs().Add("FLAG", ftBoolean);
    table->FieldDefs().Add("CODE", ftString, 4);
    table->CreateDataSet();
    AddRow(1, "alpha", "line1\r\nline2", true, "Y");
    AddRow(2, "beta", "", false, "N");
    table->First();
    source = new TDataSource(form);
    source->SetDataSet(table);
  }
  void AddRow(int id, const char* name, const char* note, bool flag, const char* code) {
    table->Append();
    table->FieldByName("ID")->SetValue(id);
    table->FieldByName("NAME")->SetValue(std::string(name));
    table->FieldByName("NOTE")->SetAsString(note);
    table->FieldByName("FLAG")->SetAsBoolean(flag);
    table->FieldByName("CODE")->SetValue(std::string(code));
    table->Post();
  }
  TMemTableGx* table = nullptr;
  TDataSource* source = nullptr;
};

}  // namespace edtest

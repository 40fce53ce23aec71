#pragma once
// Fixture of the editor tests: headless display, test font, simulated clock, a form to put
// editors on, and a memory table (ID integer, NAME string of 10, NOTE memo, FLAG Boolean, CODE
// string of 4) with two rows, bound through a data source.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "memtable/memtable.h"
#include "platform/forms/forms.h"
#include "platform/os/clock.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace edtest {

inline void Pump() { Application->ProcessMessages(); }

inline void AdvanceAndPump(uint32_t ms, uint32_t step = 10) {
  Pump();
  while (ms > 0) {
    uint32_t s = std::min(ms, step);
    ClockAdvance(s);
    ms -= s;
    Pump();
  }
}

inline void KeyPress(UINT vk, bool shift = false, bool ctrl = false, bool alt = false) {
  if (shift) FanoInputKey(VK_SHIFT, TRUE);
  if (ctrl) FanoInputKey(VK_CONTROL, TRUE);
  if (alt) FanoInputKey(VK_MENU, TRUE);
  FanoInputKey(vk, TRUE);
  FanoInputKey(vk, FALSE);
  if (alt) FanoInputKey(VK_MENU, FALSE);
  if (ctrl) FanoInputKey(VK_CONTROL, FALSE);
  if (shift) FanoInputKey(VK_SHIFT, FALSE);
  Pump();
}

inline void Type(const char* utf8) {
  FanoInputText(utf8);
  Pump();
}

inline TPoint ScreenPoint(TControl* c, int x, int y) { return c->ClientToScreen(TPoint(x, y)); }

inline void MouseDown(TControl* c, int x, int y) {
  TPoint p = ScreenPoint(c, x, y);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  Pump();
}

inline void MouseUp(TControl* c, int x, int y) {
  TPoint p = ScreenPoint(c, x, y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  Pump();
}

inline void Click(TControl* c, int x, int y) {
  MouseDown(c, x, y);
  MouseUp(c, x, y);
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FanoUseHeadless();
    FanoSetTestFont(TRUE);
    ClockSetSimulated(1);
    Pump();
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 400, 300);
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
  void TearDown() override {
    if (form) form->Free();
    form = nullptr;
    Pump();
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
  void Show() {
    form->Show();
    Pump();
  }
  template <class T>
  T* Add(int x, int y, int w, int h) {
    auto* c = new T(form);
    c->SetParent(form);
    c->SetBounds(x, y, w, h);
    return c;
  }
  TForm* form = nullptr;
  TMemTableGx* table = nullptr;
  TDataSource* source = nullptr;
};

}  // namespace edtest

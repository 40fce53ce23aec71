#include "forms_test_util.h"

#include <map>

#include "platform/forms/cmessages.h"

namespace formstest {

std::string MessageName(UINT msg) {
  static const std::map<UINT, const char*> names = {
      {CM_DOCKCLIENT, "CM_DOCKCLIENT"}, {CM_UNDOCKCLIENT, "CM_UNDOCKCLIENT"},
      {CM_DOCKNOTIFICATION, "CM_DOCKNOTIFICATION"},
      {CM_ACTIVATE, "CM_ACTIVATE"}, {CM_DEACTIVATE, "CM_DEACTIVATE"}, {CM_CANCELMODE, "CM_CANCELMODE"},
      {CM_DIALOGKEY, "CM_DIALOGKEY"}, {CM_DIALOGCHAR, "CM_DIALOGCHAR"}, {CM_FOCUSCHANGED, "CM_FOCUSCHANGED"},
      {CM_PARENTFONTCHANGED, "CM_PARENTFONTCHANGED"}, {CM_PARENTCOLORCHANGED, "CM_PARENTCOLORCHANGED"},
      {CM_VISIBLECHANGED, "CM_VISIBLECHANGED"}, {CM_ENABLEDCHANGED, "CM_ENABLEDCHANGED"},
      {CM_COLORCHANGED, "CM_COLORCHANGED"}, {CM_FONTCHANGED, "CM_FONTCHANGED"}, {CM_CURSORCHANGED, "CM_CURSORCHANGED"},
      {CM_CTL3DCHANGED, "CM_CTL3DCHANGED"}, {CM_PARENTCTL3DCHANGED, "CM_PARENTCTL3DCHANGED"},
      {CM_TEXTCHANGED, "CM_TEXTCHANGED"}, {CM_MOUSEENTER, "CM_MOUSEENTER"}, {CM_MOUSELEAVE, "CM_MOUSELEAVE"},
      {CM_BUTTONPRESSED, "CM_BUTTONPRESSED"}, {CM_SHOWINGCHANGED, "CM_SHOWINGCHANGED"}, {CM_ENTER, "CM_ENTER"},
      {CM_EXIT, "CM_EXIT"}, {CM_DESIGNHITTEST, "CM_DESIGNHITTEST"}, {CM_WANTSPECIALKEY, "CM_WANTSPECIALKEY"},
      {CM_SHOWHINTCHANGED, "CM_SHOWHINTCHANGED"}, {CM_PARENTSHOWHINTCHANGED, "CM_PARENTSHOWHINTCHANGED"},
      {CM_SYSCOLORCHANGE, "CM_SYSCOLORCHANGE"}, {CM_CONTROLLISTCHANGE, "CM_CONTROLLISTCHANGE"},
      {CM_CONTROLCHANGE, "CM_CONTROLCHANGE"}, {CM_HINTSHOW, "CM_HINTSHOW"}, {CM_HINTSHOWPAUSE, "CM_HINTSHOWPAUSE"},
      {CM_RECREATEWND, "CM_RECREATEWND"}, {CM_PARENTBIDIMODECHANGED, "CM_PARENTBIDIMODECHANGED"},
      {CM_SYSFONTCHANGED, "CM_SYSFONTCHANGED"}, {CM_MOUSEWHEEL, "CM_MOUSEWHEEL"}, {CM_CHILDKEY, "CM_CHILDKEY"},
      {WM_SETFOCUS, "WM_SETFOCUS"}, {WM_KILLFOCUS, "WM_KILLFOCUS"}, {WM_PAINT, "WM_PAINT"},
      {CN_KEYDOWN, "CN_KEYDOWN"}, {CN_COMMAND, "CN_COMMAND"}, {CN_CHAR, "CN_CHAR"},
      {WM_KEYDOWN, "WM_KEYDOWN"}, {WM_CHAR, "WM_CHAR"}, {WM_COMMAND, "WM_COMMAND"},
  };
  auto it = names.find(msg);
  if (it != names.end()) return it->second;
  return "0x" + std::to_string(msg);
}

void MessageLog::Watch(TControl* control, std::set<UINT> messages) {
  TWndMethod old = control->WindowProc();
  control->SetWindowProc([this, control, old, messages](TMessage& m) {
    if (messages.count(m.Msg)) entries_.push_back(control->Name() + ":" + MessageName(m.Msg));
    old(m);
  });
}

std::vector<std::string> MessageLog::Of(UINT msg) const {
  std::vector<std::string> out;
  std::string suffix = ":" + MessageName(msg);
  for (const std::string& e : entries_)
    if (e.size() >= suffix.size() && e.compare(e.size() - suffix.size(), suffix.size(), suffix) == 0) out.push_back(e);
  return out;
}

std::string MessageLog::Joined() const {
  std::string out;
  for (const std::string& e : entries_) {
    if (!out.empty()) out += ' ';
    out += e;
  }
  return out;
}

HBITMAP SolidBitmap(int width, int height, COLORREF color) {
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP pic = CreateBitmap(width, height, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(mem, pic);
  HBRUSH brush = CreateSolidBrush(color);
  RECT all{0, 0, width, height};
  FillRect(mem, &all, brush);
  DeleteObject(brush);
  SelectObject(mem, old);
  DeleteDC(mem);
  return pic;
}

}  // namespace formstest

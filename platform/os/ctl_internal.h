#pragma once
// Shared parts of the standard controls (ctl_*.cpp): per-window state kept in the window's extra
// bytes, notifications to the parent, the colours the parent chooses, text measuring, and UTF-8
// and code-page-936 helpers.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/commctrl.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace fano_os::ctl {

// The state object of a control window lives in its first extra pointer; it is made at
// WM_NCCREATE and freed at WM_NCDESTROY by WithState below.
template <class T>
T* StateOf(HWND wnd) {
  return reinterpret_cast<T*>(GetWindowLongPtr(wnd, 0));
}

// Runs the control's procedure with its state object: makes it at WM_NCCREATE, frees it after
// WM_NCDESTROY; messages without a state (before creation, after destruction) go to
// DefWindowProc.
template <class T>
LRESULT WithState(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT (*proc)(T*, UINT, WPARAM, LPARAM)) {
  if (msg == WM_NCCREATE) {
    auto* s = new T(wnd);
    SetWindowLongPtr(wnd, 0, reinterpret_cast<LONG_PTR>(s));
  }
  T* s = StateOf<T>(wnd);
  if (!s) return DefWindowProc(wnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    LRESULT r = proc(s, msg, wp, lp);
    SetWindowLongPtr(wnd, 0, 0);
    delete s;
    return r;
  }
  return proc(s, msg, wp, lp);
}

// Where a control's notices go: its parent (or owner); a pop-up with neither gets them itself, so
// that the class library hands them back to the control as it does for a parent.
HWND NoticeTarget(HWND wnd);
// WM_COMMAND with the notification code to the parent (or owner) of the window.
void NotifyParent(HWND wnd, WORD code);
// WM_NOTIFY with a header filled for the window; answers the parent's result.
LRESULT NotifyParentHeader(HWND wnd, NMHDR* header, UINT code);

// The brush (and the text and background colours selected into the DC) the parent chooses for the
// control, through WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN or WM_CTLCOLORSTATIC.
HBRUSH ControlColor(HWND wnd, HDC dc, UINT ctlColorMsg);

// A memory DC for measuring text in a font (the system font when none is given).
class TextMeasure {
 public:
  TextMeasure();
  ~TextMeasure();
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;
  void SetFont(HFONT font);
  HFONT Font() const noexcept { return font_; }
  // The font to draw with: the control's own, or the system font when it has none.
  HFONT DrawFont() const noexcept { return font_ ? font_ : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)); }
  HDC Dc() const noexcept { return dc_; }
  int Height() const noexcept { return height_; }
  int AveWidth() const noexcept { return aveWidth_; }
  int Width(std::string_view text);
  // x[k] = width of the first k bytes, for k = 0 .. text.size(); inside a character the value is
  // the character's end.
  void Cumulative(std::string_view text, std::vector<int>& x);

 private:
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  int height_ = 16;
  int aveWidth_ = 8;
};

// ---- text helpers
bool IsTrail(unsigned char c);
// The start of the character holding byte pos (pos itself at a start or the end).
size_t CharStart(std::string_view s, size_t pos);
size_t NextChar(std::string_view s, size_t pos);
size_t PrevChar(std::string_view s, size_t pos);
char32_t DecodeAt(std::string_view s, size_t pos);
void AppendUtf8(std::string& out, char32_t cp);
// Every text enters a control through here: bytes that are not valid UTF-8 (a broken or overlong
// sequence, a surrogate, a stray trail byte) become U+FFFD, so that the control's character steps
// never leave a line.
std::string ValidUtf8(std::string_view s);
// East Asian wide characters: a line may break before and after them.
bool IsWide(char32_t cp);
// Bytes the character takes in code page 936 (characters it lacks become one '?').
int Cp936CharLen(char32_t cp);
size_t Cp936Len(std::string_view s);
// The longest prefix that takes at most maxBytes in code page 936.
size_t Cp936Prefix(std::string_view s, size_t maxBytes);
// Case mapping of the ES_UPPERCASE / ES_LOWERCASE styles.
std::string UpperUtf8(std::string_view s);
std::string LowerUtf8(std::string_view s);
// Compares ignoring case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// ---- clipboard text (CF_UNICODETEXT, made into CF_TEXT on demand by the clipboard)
bool ClipboardSetText(HWND owner, std::string_view utf8);
bool ClipboardGetText(HWND owner, std::string& utf8);

bool KeyDown(int vk);

// ---- between the combo box and its parts
// The list of a combo box shows (tracking: the button that dropped it is still held) or hides.
void ListBoxSetDropped(HWND list, bool dropped, bool tracking);
// A key moves the list's current item without notifications.
void ListBoxKey(HWND list, WPARAM vk);
int ListBoxItemHeight(HWND list);
// Asks the combo box's owner for the height of an owner-drawn selection field.
void ListBoxMeasureSelectionField(HWND list, int& height);
// The list tells its combo box that the user chose an item (accept) or clicked elsewhere.
void ComboListCloseUp(HWND combo, bool accept);
// An edit inside a combo box hands the combo box the keys that drop or walk its list.
void EditSetCombo(HWND edit, HWND combo);
// The keys an edit hands over (WM_KEYDOWN / WM_SYSKEYDOWN / WM_CHAR); true when used.
bool ComboEditKey(HWND combo, UINT msg, WPARAM key);

// Registers a control class whose windows keep their state in one extra pointer.
void RegisterControlClass(const char* name, WNDPROC proc, UINT style, const char* cursor = IDC_ARROW,
                          HBRUSH background = nullptr);

// Class registration of each control (ctl_*.cpp).
void RegisterEditClass();
void RegisterListBoxClasses();
void RegisterComboBoxClass();
void RegisterButtonClass();
void RegisterTabControlClass();
void RegisterMonthCalClass();

}  // namespace fano_os::ctl

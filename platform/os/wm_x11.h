#pragma once
// Parts of the X11 back-end shared by its files: the input method (wm_x11_ime.cpp), which the
// back-end (wm_x11.cpp) asks for the text of key presses, tells of focus changes and of where the
// caret stands, and the reading of a committed text of any length.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <functional>
#include <map>
#include <string>

#include "platform/os/wm_internal.h"

namespace fano_os::wm {

// One lookup of a key press's text: fills buf (size bytes at most), answers the length, sets
// *status (XLookupChars, XLookupBoth, XBufferOverflow, ...) and *sym.
using TextLookup = std::function<int(char* buf, int size, KeySym* sym, Status* status)>;

// Reads the text of a key press whatever its length: when the first buffer is too small
// (XBufferOverflow) it asks again with a buffer of the size the server reported.
std::string LookupWholeText(const TextLookup& lookup, KeySym* sym, Status* status);

// Text committed by an input method without a key of its own: one WM_CHAR per UTF-16 unit.
void PushCommittedText(const std::string& utf8);

// The input method of the user's locale, with one input context per top-level window. It may start
// after our windows (it is picked up when it registers) and may go away (the contexts are dropped
// and typing goes on without it). Over-the-spot input gets the caret's place, so the candidate
// window shows where the user types.
class X11InputMethod {
 public:
  explicit X11InputMethod(Display* d);
  ~X11InputMethod();
  X11InputMethod(const X11InputMethod&) = delete;
  X11InputMethod& operator=(const X11InputMethod&) = delete;

  // A top-level X window to type into, with the events it selects besides the input method's.
  void Attach(HWND h, ::Window xw, long eventMask);
  void Detach(HWND h);
  void Focus(HWND h, bool in);
  // The text of a key press; false when the window has no input context (plain lookup then).
  bool Lookup(HWND h, XKeyEvent& key, std::string* text, KeySym* sym, Status* status);
  // The caret's place (top-level window coordinates, at its foot) for over-the-spot input.
  void SetSpot(HWND h, POINT spot);
  bool Available() const noexcept { return im_ != nullptr; }
  XIMStyle Style() const noexcept { return style_; }

 private:
  struct Context {
    ::Window xwin = 0;
    long eventMask = 0;
    XIC ic = nullptr;
    POINT spot{-1, -1};
    bool focused = false;
  };
  static void Instantiated(Display* d, XPointer self, XPointer);
  static void Destroyed(XIM im, XPointer self, XPointer);
  void Open();
  void MakeContext(Context& c);
  void DropContexts();

  Display* d_;
  XIM im_ = nullptr;
  XIMStyle style_ = 0;
  XFontSet fontset_ = nullptr;
  bool waiting_ = false;  // the instantiate callback is registered
  std::map<HWND, Context> contexts_;
};

}  // namespace fano_os::wm

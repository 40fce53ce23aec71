// The X input method: opened in the user's locale without leaving the process's locale changed,
// picked up when it starts after us, dropped when it goes away; over-the-spot input when offered;
// committed texts read whole whatever their length.
#include <algorithm>
#include <clocale>
#include <cstring>

#include "platform/os/wm_x11.h"

namespace fano_os::wm {

namespace {

// The character type of the user's locale while the input method is opened (Xlib reads it then);
// the process's own locale is put back afterwards, so a host that loads us keeps its own.
class CtypeForInput {
 public:
  CtypeForInput() {
    const char* cur = setlocale(LC_CTYPE, nullptr);
    saved_ = cur ? cur : "C";
    if (saved_ != "C" && saved_ != "POSIX") return;
    changed_ = true;
    const char* got = setlocale(LC_CTYPE, "");
    if (!got || strcmp(got, "C") == 0 || strcmp(got, "POSIX") == 0) setlocale(LC_CTYPE, "C.UTF-8");
  }
  ~CtypeForInput() {
    if (changed_) setlocale(LC_CTYPE, saved_.c_str());
  }
  CtypeForInput(const CtypeForInput&) = delete;
  CtypeForInput& operator=(const CtypeForInput&) = delete;

 private:
  std::string saved_;
  bool changed_ = false;
};

// The input styles we can serve, best first: over the spot (we tell where the caret is), then the
// input method's own window, then none.
const XIMStyle kStyles[] = {
    XIMPreeditPosition | XIMStatusNothing, XIMPreeditPosition | XIMStatusNone, XIMPreeditNothing | XIMStatusNothing,
    XIMPreeditNothing | XIMStatusNone,     XIMPreeditNone | XIMStatusNothing,  XIMPreeditNone | XIMStatusNone,
};

}  // namespace

std::string LookupWholeText(const TextLookup& lookup, KeySym* sym, Status* status) {
  std::string out(256, '\0');
  KeySym ks = NoSymbol;
  Status st = 0;
  int n = lookup(out.data(), static_cast<int>(out.size()), &ks, &st);
  if (st == XBufferOverflow && n > 0) {
    // The text is longer than the buffer: the server said how long; the same event reads it again.
    out.assign(static_cast<size_t>(n), '\0');
    n = lookup(out.data(), n, &ks, &st);
  }
  *sym = ks;
  *status = st;
  if (n <= 0 || st == XBufferOverflow || (st != XLookupChars && st != XLookupBoth)) return std::string();
  out.resize(std::min(static_cast<size_t>(n), out.size()));
  return out;
}

void PushCommittedText(const std::string& utf8) {
  for (char16_t u : Utf8ToUtf16(utf8)) {
    InputEvent ev;
    ev.kind = InputEvent::Char;
    ev.text = std::u16string(1, u);
    PushInput(ev);
  }
}

X11InputMethod::X11InputMethod(Display* d) : d_(d) { Open(); }

X11InputMethod::~X11InputMethod() {
  if (waiting_)
    XUnregisterIMInstantiateCallback(d_, nullptr, nullptr, nullptr, &Instantiated, reinterpret_cast<XPointer>(this));
  DropContexts();
  if (im_) XCloseIM(im_);
  if (fontset_) XFreeFontSet(d_, fontset_);
}

void X11InputMethod::Open() {
  CtypeForInput locale;
  if (!XSupportsLocale()) return;
  XSetLocaleModifiers("");
  im_ = XOpenIM(d_, nullptr, nullptr, nullptr);
  if (!im_) {
    // No input method server yet: take it when it starts; meanwhile the local one composes keys.
    if (!waiting_)
      waiting_ = XRegisterIMInstantiateCallback(d_, nullptr, nullptr, nullptr, &Instantiated,
                                                reinterpret_cast<XPointer>(this)) != 0;
    XSetLocaleModifiers("@im=none");
    im_ = XOpenIM(d_, nullptr, nullptr, nullptr);
    if (!im_) return;
  }
  XIMCallback destroy{reinterpret_cast<XPointer>(this), reinterpret_cast<XIMProc>(&Destroyed)};
  XSetIMValues(im_, XNDestroyCallback, &destroy, nullptr);
  style_ = 0;
  XIMStyles* offered = nullptr;
  if (!XGetIMValues(im_, XNQueryInputStyle, &offered, nullptr) && offered) {
    for (XIMStyle want : kStyles) {
      for (unsigned short i = 0; i < offered->count_styles && !style_; ++i)
        if (offered->supported_styles[i] == want) style_ = want;
      if (style_) break;
    }
    XFree(offered);
  }
  if ((style_ & XIMPreeditPosition) && !fontset_) {
    // Over-the-spot input draws its text in a font set of ours.
    char** missing = nullptr;
    int count = 0;
    char* fallback = nullptr;
    fontset_ = XCreateFontSet(d_, "-*-*-medium-r-normal--16-*-*-*-*-*-*-*,-*-*-*-*-*--16-*,*", &missing, &count,
                              &fallback);
    if (missing) XFreeStringList(missing);
  }
  if ((style_ & XIMPreeditPosition) && !fontset_) style_ = XIMPreeditNothing | XIMStatusNothing;
  if (!style_) style_ = XIMPreeditNothing | XIMStatusNothing;
  for (auto& [h, c] : contexts_) MakeContext(c);
}

void X11InputMethod::Instantiated(Display*, XPointer self, XPointer) {
  auto* me = reinterpret_cast<X11InputMethod*>(self);
  // A real input method started: it replaces the local one.
  me->DropContexts();
  if (me->im_) XCloseIM(me->im_);
  me->im_ = nullptr;
  XUnregisterIMInstantiateCallback(me->d_, nullptr, nullptr, nullptr, &Instantiated, self);
  me->waiting_ = false;
  me->Open();
}

void X11InputMethod::Destroyed(XIM, XPointer self, XPointer) {
  auto* me = reinterpret_cast<X11InputMethod*>(self);
  // The server went away and took its contexts: forget them, type without it, wait for its return.
  me->im_ = nullptr;
  for (auto& [h, c] : me->contexts_) c.ic = nullptr;
  if (!me->waiting_)
    me->waiting_ = XRegisterIMInstantiateCallback(me->d_, nullptr, nullptr, nullptr, &Instantiated, self) != 0;
}

void X11InputMethod::DropContexts() {
  for (auto& [h, c] : contexts_)
    if (c.ic) {
      XDestroyIC(c.ic);
      c.ic = nullptr;
    }
}

void X11InputMethod::MakeContext(Context& c) {
  if (!im_ || c.ic) return;
  if (style_ & XIMPreeditPosition) {
    XPoint spot{static_cast<short>(std::max<LONG>(0, c.spot.x)), static_cast<short>(std::max<LONG>(0, c.spot.y))};
    XVaNestedList attrs = XVaCreateNestedList(0, XNSpotLocation, &spot, XNFontSet, fontset_, nullptr);
    c.ic = XCreateIC(im_, XNInputStyle, style_, XNClientWindow, c.xwin, XNFocusWindow, c.xwin, XNPreeditAttributes,
                     attrs, nullptr);
    XFree(attrs);
  }
  if (!c.ic)
    c.ic = XCreateIC(im_, XNInputStyle, style_ & XIMPreeditPosition ? XIMPreeditNothing | XIMStatusNothing : style_,
                     XNClientWindow, c.xwin, XNFocusWindow, c.xwin, nullptr);
  long filter = 0;
  if (c.ic) XGetICValues(c.ic, XNFilterEvents, &filter, nullptr);
  XSelectInput(d_, c.xwin, c.eventMask | filter);
  if (c.ic && c.focused) XSetICFocus(c.ic);
}

void X11InputMethod::Attach(HWND h, ::Window xw, long eventMask) {
  Context& c = contexts_[h];
  c.xwin = xw;
  c.eventMask = eventMask;
  MakeContext(c);
}

void X11InputMethod::Detach(HWND h) {
  auto it = contexts_.find(h);
  if (it == contexts_.end()) return;
  if (it->second.ic) XDestroyIC(it->second.ic);
  contexts_.erase(it);
}

void X11InputMethod::Focus(HWND h, bool in) {
  auto it = contexts_.find(h);
  if (it == contexts_.end()) return;
  it->second.focused = in;
  if (!it->second.ic) return;
  if (in) XSetICFocus(it->second.ic);
  else XUnsetICFocus(it->second.ic);
}

bool X11InputMethod::Lookup(HWND h, XKeyEvent& key, std::string* text, KeySym* sym, Status* status) {
  auto it = contexts_.find(h);
  if (it == contexts_.end() || !it->second.ic) return false;
  XIC ic = it->second.ic;
  *text = LookupWholeText(
      [&](char* buf, int size, KeySym* ks, Status* st) { return Xutf8LookupString(ic, &key, buf, size, ks, st); }, sym,
      status);
  return true;
}

void X11InputMethod::SetSpot(HWND h, POINT spot) {
  auto it = contexts_.find(h);
  if (it == contexts_.end()) return;
  Context& c = it->second;
  if (c.spot.x == spot.x && c.spot.y == spot.y) return;
  c.spot = spot;
  if (!c.ic || !(style_ & XIMPreeditPosition)) return;
  XPoint xp{static_cast<short>(std::max<LONG>(0, spot.x)), static_cast<short>(std::max<LONG>(0, spot.y))};
  XVaNestedList attrs = XVaCreateNestedList(0, XNSpotLocation, &xp, nullptr);
  XSetICValues(c.ic, XNPreeditAttributes, attrs, nullptr);
  XFree(attrs);
}

}  // namespace fano_os::wm

using namespace fano_os::wm;

extern "C" int FanoImeTestCommit(const char* utf8) {
  std::string src = utf8 ? utf8 : "";
  int reads = 0;
  KeySym sym = NoSymbol;
  Status status = 0;
  // Reads as an input method answers: a text longer than the buffer is reported, not written.
  std::string got = LookupWholeText(
      [&](char* buf, int size, KeySym* ks, Status* st) {
        ++reads;
        *ks = NoSymbol;
        if (static_cast<int>(src.size()) > size) {
          *st = XBufferOverflow;
          return static_cast<int>(src.size());
        }
        memcpy(buf, src.data(), src.size());
        *st = XLookupChars;
        return static_cast<int>(src.size());
      },
      &sym, &status);
  PushCommittedText(got);
  return reads;
}

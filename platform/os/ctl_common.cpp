// Shared parts of the standard controls, and their registration with the window manager.
#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/os/ctl_internal.h"
#include "platform/os/wm_internal.h"

namespace fano_os::wm {

void RegisterStandardControls() {
  ctl::RegisterEditClass();
  ctl::RegisterListBoxClasses();
  ctl::RegisterComboBoxClass();
  ctl::RegisterButtonClass();
  ctl::RegisterTabControlClass();
  ctl::RegisterMonthCalClass();
}

}  // namespace fano_os::wm

namespace fano_os::ctl {

void RegisterControlClass(const char* name, WNDPROC proc, UINT style, const char* cursor, HBRUSH background) {
  WNDCLASS wc{};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursor(nullptr, cursor);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClass(&wc);
}

HWND NoticeTarget(HWND wnd) {
  if (HWND parent = GetParent(wnd)) return parent;
  // A pop-up of no window (a drop-down list or calendar) tells itself.
  return (GetWindowLongPtr(wnd, GWL_STYLE) & WS_POPUP) ? wnd : nullptr;
}

void NotifyParent(HWND wnd, WORD code) {
  HWND parent = NoticeTarget(wnd);
  if (!parent) return;
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(wnd)), code), reinterpret_cast<LPARAM>(wnd));
}

LRESULT NotifyParentHeader(HWND wnd, NMHDR* header, UINT code) {
  HWND parent = NoticeTarget(wnd);
  if (!parent) return 0;
  header->hwndFrom = wnd;
  header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(wnd));
  header->code = code;
  return SendMessage(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

HBRUSH ControlColor(HWND wnd, HDC dc, UINT ctlColorMsg) {
  HWND parent = NoticeTarget(wnd);
  HBRUSH b = nullptr;
  if (parent) b = reinterpret_cast<HBRUSH>(SendMessage(parent, ctlColorMsg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd)));
  if (!b) b = reinterpret_cast<HBRUSH>(DefWindowProc(wnd, ctlColorMsg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd)));
  return b;
}

// ---- measuring

TextMeasure::TextMeasure() { dc_ = CreateCompatibleDC(nullptr); SetFont(nullptr); }

TextMeasure::~TextMeasure() {
  if (dc_) {
    if (oldFont_) SelectObject(dc_, oldFont_);
    DeleteDC(dc_);
  }
}

void TextMeasure::SetFont(HFONT font) {
  font_ = font;
  HGDIOBJ f = font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT);
  HGDIOBJ old = SelectObject(dc_, f);
  if (!old) {  // a stale font: fall back to the system font
    font_ = nullptr;
    old = SelectObject(dc_, GetStockObject(SYSTEM_FONT));
  }
  if (!oldFont_) oldFont_ = old;
  TEXTMETRICA tm{};
  if (GetTextMetricsA(dc_, &tm)) {
    height_ = tm.tmHeight > 0 ? static_cast<int>(tm.tmHeight) : 16;
    aveWidth_ = tm.tmAveCharWidth > 0 ? static_cast<int>(tm.tmAveCharWidth) : 8;
  }
}

int TextMeasure::Width(std::string_view text) {
  if (text.empty()) return 0;
  SIZE sz{0, 0};
  GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &sz);
  return static_cast<int>(sz.cx);
}

void TextMeasure::Cumulative(std::string_view text, std::vector<int>& x) {
  x.assign(text.size() + 1, 0);
  if (text.empty()) return;
  std::vector<int> dx(text.size(), 0);
  SIZE sz{0, 0};
  int fit = 0;
  GetTextExtentExPointA(dc_, text.data(), static_cast<int>(text.size()), 0x7FFFFFFF, &fit, dx.data(), &sz);
  for (size_t i = 0; i < text.size(); ++i) x[i + 1] = dx[i];
}

// ---- text

bool IsTrail(unsigned char c) { return (c & 0xC0) == 0x80; }

size_t CharStart(std::string_view s, size_t pos) {
  if (pos >= s.size()) return s.size();
  size_t p = pos;
  int back = 0;
  while (p > 0 && IsTrail(static_cast<unsigned char>(s[p])) && back < 3) {
    --p;
    ++back;
  }
  if (IsTrail(static_cast<unsigned char>(s[p]))) return pos;  // not UTF-8 here: bytes stand alone
  // Between CR and LF: the break starts at the CR.
  if (s[p] == '\n' && p > 0 && s[p - 1] == '\r') return p - 1;
  return p;
}

size_t NextChar(std::string_view s, size_t pos) {
  if (pos >= s.size()) return s.size();
  if (s[pos] == '\r' && pos + 1 < s.size() && s[pos + 1] == '\n') return pos + 2;
  size_t p = pos + 1;
  int n = 0;
  while (p < s.size() && IsTrail(static_cast<unsigned char>(s[p])) && n < 3) {
    ++p;
    ++n;
  }
  return p;
}

size_t PrevChar(std::string_view s, size_t pos) {
  if (pos == 0) return 0;
  return CharStart(s, std::min(pos, s.size()) - 1);
}

char32_t DecodeAt(std::string_view s, size_t pos) {
  if (pos >= s.size()) return 0;
  unsigned char c = static_cast<unsigned char>(s[pos]);
  if (c < 0x80) return c;
  int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  if (len == 1 || pos + static_cast<size_t>(len) > s.size()) return 0xFFFD;
  char32_t cp = c & (0x7F >> len);
  for (int i = 1; i < len; ++i) {
    unsigned char t = static_cast<unsigned char>(s[pos + static_cast<size_t>(i)]);
    if (!IsTrail(t)) return 0xFFFD;
    cp = (cp << 6) | (t & 0x3F);
  }
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

namespace {

// The length of the valid sequence at pos, or 0.
size_t ValidSeqLen(std::string_view s, size_t pos) {
  unsigned char c = static_cast<unsigned char>(s[pos]);
  if (c < 0x80) return 1;
  if (c < 0xC2 || c > 0xF4) return 0;
  size_t need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  if (pos + need > s.size()) return 0;
  char32_t v = c & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
  for (size_t k = 1; k < need; ++k) {
    unsigned char d = static_cast<unsigned char>(s[pos + k]);
    if (!IsTrail(d)) return 0;
    v = (v << 6) | (d & 0x3F);
  }
  bool minimal = need == 2 || (need == 3 && v >= 0x800) || (need == 4 && v >= 0x10000);
  if (!minimal || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  return need;
}

}  // namespace

std::string ValidUtf8(std::string_view s) {
  size_t pos = 0;
  while (pos < s.size()) {
    size_t n = ValidSeqLen(s, pos);
    if (!n) break;
    pos += n;
  }
  if (pos == s.size()) return std::string(s);
  std::string out(s.substr(0, pos));
  out.reserve(s.size() + 8);
  while (pos < s.size()) {
    size_t n = ValidSeqLen(s, pos);
    if (n) {
      out.append(s.substr(pos, n));
      pos += n;
    } else {
      AppendUtf8(out, 0xFFFD);
      ++pos;
    }
  }
  return out;
}

bool IsWide(char32_t cp) {
  int w = u_getIntPropertyValue(static_cast<UChar32>(cp), UCHAR_EAST_ASIAN_WIDTH);
  return w == U_EA_WIDE || w == U_EA_FULLWIDTH;
}

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

}  // namespace

int Cp936CharLen(char32_t cp) {
  if (cp < 0x80) return 1;
  static std::mutex lock;
  static std::unordered_map<char32_t, int> cache;
  static std::unique_ptr<UConverter, ConverterCloser> conv;
  std::lock_guard<std::mutex> g(lock);
  auto it = cache.find(cp);
  if (it != cache.end()) return it->second;
  UErrorCode err = U_ZERO_ERROR;
  if (!conv) {
    conv.reset(ucnv_open("windows-936", &err));
    if (U_SUCCESS(err)) ucnv_setSubstChars(conv.get(), "?", 1, &err);
  }
  int len = 1;
  if (conv) {
    UChar units[2];
    int32_t n = 0;
    U16_APPEND_UNSAFE(units, n, static_cast<UChar32>(cp));
    char out[8];
    err = U_ZERO_ERROR;
    ucnv_reset(conv.get());
    int32_t got = ucnv_fromUChars(conv.get(), out, sizeof out, units, n, &err);
    if (U_SUCCESS(err) && got > 0) len = got;
  }
  cache.emplace(cp, len);
  return len;
}

size_t Cp936Len(std::string_view s) {
  size_t n = 0;
  for (size_t p = 0; p < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[p]);
    if (c < 0x80) {
      ++n;
      ++p;
      continue;
    }
    n += static_cast<size_t>(Cp936CharLen(DecodeAt(s, p)));
    size_t q = p + 1;
    while (q < s.size() && IsTrail(static_cast<unsigned char>(s[q])) && q - p < 4) ++q;
    p = q;
  }
  return n;
}

size_t Cp936Prefix(std::string_view s, size_t maxBytes) {
  size_t n = 0;
  size_t p = 0;
  while (p < s.size()) {
    size_t q = p + 1;
    while (q < s.size() && IsTrail(static_cast<unsigned char>(s[q])) && q - p < 4) ++q;
    size_t len = static_cast<unsigned char>(s[p]) < 0x80 ? 1 : static_cast<size_t>(Cp936CharLen(DecodeAt(s, p)));
    // A CR LF pair is kept whole.
    if (s[p] == '\r' && q < s.size() && s[q] == '\n') {
      if (n + 2 > maxBytes) break;
      n += 2;
      p = q + 1;
      continue;
    }
    if (n + len > maxBytes) break;
    n += len;
    p = q;
  }
  return p;
}

namespace {

template <class F>
std::string MapCase(std::string_view s, F f) {
  std::string out;
  out.reserve(s.size());
  for (size_t p = 0; p < s.size(); p = NextChar(s, p)) {
    if (s[p] == '\r' && p + 1 < s.size() && s[p + 1] == '\n') {
      out += "\r\n";
      continue;
    }
    AppendUtf8(out, static_cast<char32_t>(f(static_cast<UChar32>(DecodeAt(s, p)))));
  }
  return out;
}

}  // namespace

std::string UpperUtf8(std::string_view s) { return MapCase(s, u_toupper); }
std::string LowerUtf8(std::string_view s) { return MapCase(s, u_tolower); }

bool EqualsNoCase(std::string_view a, std::string_view b) { return LowerUtf8(a) == LowerUtf8(b); }

// ---- clipboard

bool ClipboardSetText(HWND owner, std::string_view utf8) {
  std::u16string w = wm::Utf8ToUtf16(std::string(utf8));
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(char16_t));
  bool ok = false;
  if (mem) {
    if (void* p = GlobalLock(mem)) {
      std::memcpy(p, w.c_str(), (w.size() + 1) * sizeof(char16_t));
      GlobalUnlock(mem);
      ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    }
    if (!ok) GlobalFree(mem);
  }
  CloseClipboard();
  return ok;
}

bool ClipboardGetText(HWND owner, std::string& utf8) {
  utf8.clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return false;
  if (!OpenClipboard(owner)) return false;
  bool ok = false;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    size_t bytes = GlobalSize(h);
    if (const auto* p = static_cast<const char16_t*>(GlobalLock(h))) {
      size_t n = 0;
      size_t max = bytes / sizeof(char16_t);
      while (n < max && p[n]) ++n;
      utf8 = wm::Utf16ToUtf8(std::u16string(p, n));
      GlobalUnlock(h);
      ok = true;
    }
  }
  CloseClipboard();
  return ok;
}

bool KeyDown(int vk) { return GetKeyState(vk) < 0; }

}  // namespace fano_os::ctl

// Global memory blocks and the clipboard: open and close, the first SetClipboardData of an opening
// replaces the old contents, registered formats, and text in both forms: CF_TEXT holds code page
// 936 bytes, CF_UNICODETEXT UTF-16; either one is made from the other when asked for. With an X11
// display the text is also offered to other programs and read from them.
#include <unicode/ucnv.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/os/wm_internal.h"

namespace fano_os::wm {

namespace {

struct Block {
  std::vector<uint8_t> data;
  UINT flags = 0;
  int locks = 0;
  bool clipboardOwned = false;
};

struct Clipboard {
  std::mutex lock;
  std::vector<std::unique_ptr<Block>> blocks;  // index + 1 in the handle
  bool open = false;
  DWORD openThread = 0;
  HWND openWindow = nullptr;
  bool emptiedThisOpening = false;
  bool changedThisOpening = false;
  HWND owner = nullptr;
  std::vector<std::pair<UINT, HGLOBAL>> entries;  // in the order they were set
  std::vector<std::pair<UINT, HGLOBAL>> made;     // text formats made from the others on demand
  std::vector<std::string> names;                 // registered formats, from 0xC000
  DWORD sequence = 1;
};

Clipboard& C() {
  static Clipboard* c = new Clipboard;
  return *c;
}

// Global handles: ((index + 1) << 2) | 1, apart from window, cursor and drawing handles.
HGLOBAL MakeGlobal(size_t index) { return reinterpret_cast<HGLOBAL>(((index + 1) << 2) | 1); }

Block* BlockOf(HGLOBAL h) {  // callers hold the lock
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if ((v & 3) != 1 || v < 4) return nullptr;
  size_t index = (v >> 2) - 1;
  auto& b = C().blocks;
  return index < b.size() ? b[index].get() : nullptr;
}

HGLOBAL NewBlock(std::vector<uint8_t> data, UINT flags) {  // callers hold the lock
  auto b = std::make_unique<Block>();
  b->data = std::move(data);
  b->flags = flags;
  auto& v = C().blocks;
  for (size_t i = 0; i < v.size(); ++i)
    if (!v[i]) {
      v[i] = std::move(b);
      return MakeGlobal(i);
    }
  v.push_back(std::move(b));
  return MakeGlobal(v.size() - 1);
}

void FreeBlock(HGLOBAL h) {  // callers hold the lock
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if (!BlockOf(h)) return;
  C().blocks[(v >> 2) - 1].reset();
}

bool OpenByMe() {
  Clipboard& c = C();
  return c.open && c.openThread == CurrentThread();
}

void DropMade() {
  Clipboard& c = C();
  for (auto& [f, h] : c.made) FreeBlock(h);
  c.made.clear();
}

void EmptyLocked() {
  Clipboard& c = C();
  for (auto& [f, h] : c.entries) FreeBlock(h);
  c.entries.clear();
  DropMade();
  c.owner = c.openWindow;
  c.emptiedThisOpening = true;
  c.changedThisOpening = true;
  ++c.sequence;
}

HGLOBAL Find(UINT format) {
  for (auto& [f, h] : C().entries)
    if (f == format) return h;
  return nullptr;
}

bool Has(UINT format) {
  for (auto& [f, h] : C().entries)
    if (f == format) return true;
  return false;
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

UConverter* Cp936() {
  thread_local std::unique_ptr<UConverter, ConverterCloser> conv;
  if (!conv) {
    UErrorCode err = U_ZERO_ERROR;
    conv.reset(ucnv_open("windows-936", &err));
    if (U_FAILURE(err)) conv.reset();
    if (conv) {
      err = U_ZERO_ERROR;
      ucnv_setSubstChars(conv.get(), "?", 1, &err);
    }
  }
  return conv.get();
}

// Text of a block up to its first terminating zero (the block may be longer than the text).
std::u16string UnicodeText(const Block& b) {
  std::u16string s;
  for (size_t i = 0; i + 1 < b.data.size(); i += 2) {
    char16_t u = static_cast<char16_t>(b.data[i] | (b.data[i + 1] << 8));
    if (!u) break;
    s.push_back(u);
  }
  return s;
}

std::string AnsiText(const Block& b) {
  auto end = std::find(b.data.begin(), b.data.end(), 0);
  return std::string(b.data.begin(), end);
}

std::vector<uint8_t> UnicodeBytes(const std::u16string& s) {
  std::vector<uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

// One conversion through the code-page converter: measure, then fill (the converter keeps no state
// between calls). Returns the text without its terminator.
template <typename Out, typename In, typename Fn>
Out Convert(const In& in, Fn fn) {
  Out out;
  UConverter* conv = Cp936();
  if (!conv || in.empty()) return out;
  UErrorCode err = U_ZERO_ERROR;
  ucnv_reset(conv);
  int32_t n = fn(conv, nullptr, 0, &err);
  if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return out;
  out.resize(static_cast<size_t>(n) + 1);
  err = U_ZERO_ERROR;
  ucnv_reset(conv);
  fn(conv, out.data(), n + 1, &err);
  out.resize(static_cast<size_t>(n));
  return out;
}

std::vector<uint8_t> ToCp936(const std::u16string& s) {
  std::string bytes = Convert<std::string>(s, [&](UConverter* c, char* dst, int32_t cap, UErrorCode* err) {
    return ucnv_fromUChars(c, dst, cap, reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()), err);
  });
  std::vector<uint8_t> out(bytes.begin(), bytes.end());
  out.push_back(0);
  return out;
}

std::vector<uint8_t> FromCp936(const std::string& s) {
  std::u16string u = Convert<std::u16string>(s, [&](UConverter* c, char16_t* dst, int32_t cap, UErrorCode* err) {
    return ucnv_toUChars(c, reinterpret_cast<UChar*>(dst), cap, s.data(), static_cast<int32_t>(s.size()), err);
  });
  return UnicodeBytes(u);
}

// A text format made from the other one (or from another program's selection).
HGLOBAL Synthesize(UINT format) {  // callers hold the lock
  Clipboard& c = C();
  if (format != CF_TEXT && format != CF_OEMTEXT && format != CF_UNICODETEXT) return nullptr;
  HGLOBAL made = nullptr;
  if (format == CF_UNICODETEXT) {
    HGLOBAL src = Has(CF_TEXT) ? Find(CF_TEXT) : Find(CF_OEMTEXT);
    if (Block* b = BlockOf(src)) made = NewBlock(FromCp936(AnsiText(*b)), GMEM_MOVEABLE);
  } else {
    HGLOBAL src = Find(CF_UNICODETEXT);
    if (!src && format == CF_OEMTEXT) src = Find(CF_TEXT);
    if (Block* b = BlockOf(src))
      made = NewBlock(format == CF_OEMTEXT && Has(CF_TEXT) ? b->data : ToCp936(UnicodeText(*b)), GMEM_MOVEABLE);
  }
  if (made) {
    BlockOf(made)->clipboardOwned = true;
    c.made.emplace_back(format, made);
  }
  return made;
}

bool TextAvailableLocally(UINT format) {
  if (Has(format)) return true;
  if (format == CF_UNICODETEXT) return Has(CF_TEXT) || Has(CF_OEMTEXT);
  if (format == CF_TEXT || format == CF_OEMTEXT) return Has(CF_UNICODETEXT) || Has(CF_TEXT);
  return false;
}

// Another program's text (X11 selection), taken into the clipboard while nothing local is there.
bool PullExternal() {  // callers hold the lock
  Clipboard& c = C();
  if (!c.entries.empty()) return false;
  std::u16string text;
  if (!GetBackend()->ClipboardExternalText(&text)) return false;
  HGLOBAL h = NewBlock(UnicodeBytes(text), GMEM_MOVEABLE);
  BlockOf(h)->clipboardOwned = true;
  c.entries.emplace_back(CF_UNICODETEXT, h);
  return true;
}

}  // namespace

// The text the clipboard holds now, for the back-end that offers it to other programs.
bool ClipboardTextForExport(std::u16string* out) {
  std::lock_guard<std::mutex> g(C().lock);
  if (Block* b = BlockOf(Find(CF_UNICODETEXT))) {
    *out = UnicodeText(*b);
    return true;
  }
  HGLOBAL a = Has(CF_TEXT) ? Find(CF_TEXT) : Find(CF_OEMTEXT);
  if (Block* b = BlockOf(a)) {
    std::vector<uint8_t> u = FromCp936(AnsiText(*b));
    out->clear();
    for (size_t i = 0; i + 1 < u.size(); i += 2) {
      char16_t ch = static_cast<char16_t>(u[i] | (u[i + 1] << 8));
      if (!ch) break;
      out->push_back(ch);
    }
    return true;
  }
  return false;
}

// Another program took the selection: local contents go.
void ClipboardLostToExternal() {
  std::lock_guard<std::mutex> g(C().lock);
  Clipboard& c = C();
  if (c.open) return;
  for (auto& [f, h] : c.entries) FreeBlock(h);
  c.entries.clear();
  DropMade();
  c.owner = nullptr;
  ++c.sequence;
}

}  // namespace fano_os::wm

using namespace fano_os::wm;

extern "C" {

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  if (bytes > (size_t{1} << 31)) {
    SetError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard<std::mutex> g(C().lock);
  return NewBlock(std::vector<uint8_t>(bytes, 0), flags);
}

HGLOBAL GlobalReAlloc(HGLOBAL mem, size_t bytes, UINT flags) {
  if (bytes > (size_t{1} << 31)) return nullptr;
  std::lock_guard<std::mutex> g(C().lock);
  Block* b = BlockOf(mem);
  if (!b || b->clipboardOwned || b->locks > 0) return nullptr;
  b->data.resize(bytes, 0);
  b->flags = (b->flags & ~GMEM_ZEROINIT) | (flags & GMEM_ZEROINIT);
  return mem;
}

void* GlobalLock(HGLOBAL mem) {
  std::lock_guard<std::mutex> g(C().lock);
  Block* b = BlockOf(mem);
  if (!b) {
    SetError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (b->data.empty()) return nullptr;
  ++b->locks;
  return b->data.data();
}

BOOL GlobalUnlock(HGLOBAL mem) {
  std::lock_guard<std::mutex> g(C().lock);
  Block* b = BlockOf(mem);
  if (!b || b->locks == 0) return FALSE;
  --b->locks;
  return b->locks > 0 ? TRUE : FALSE;
}

size_t GlobalSize(HGLOBAL mem) {
  std::lock_guard<std::mutex> g(C().lock);
  Block* b = BlockOf(mem);
  return b ? b->data.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  std::lock_guard<std::mutex> g(C().lock);
  Block* b = BlockOf(mem);
  if (!b || b->clipboardOwned) {  // the clipboard's blocks are its own to free
    SetError(ERROR_INVALID_PARAMETER);
    return mem;
  }
  FreeBlock(mem);
  return nullptr;
}

BOOL OpenClipboard(HWND owner) {
  if (owner && !FromHandle(owner)) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> g(C().lock);
  Clipboard& c = C();
  if (c.open) {
    if (c.openThread == CurrentThread() && c.openWindow == owner) return TRUE;
    return FALSE;
  }
  c.open = true;
  c.openThread = CurrentThread();
  c.openWindow = owner;
  c.emptiedThisOpening = false;
  c.changedThisOpening = false;
  return TRUE;
}

BOOL CloseClipboard(void) {
  bool changed;
  {
    std::lock_guard<std::mutex> g(C().lock);
    Clipboard& c = C();
    if (!OpenByMe()) {
      SetError(ERROR_CLIPBOARD_NOT_OPEN);
      return FALSE;
    }
    c.open = false;
    changed = c.changedThisOpening;
  }
  if (changed) GetBackend()->ClipboardChanged();
  return TRUE;
}

BOOL EmptyClipboard(void) {
  std::lock_guard<std::mutex> g(C().lock);
  if (!OpenByMe()) {
    SetError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  EmptyLocked();
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE mem) {
  std::lock_guard<std::mutex> g(C().lock);
  Clipboard& c = C();
  if (!OpenByMe()) {
    SetError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (format == 0) {
    SetError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Block* b = mem ? BlockOf(mem) : nullptr;
  if (mem && (!b || b->clipboardOwned)) {
    SetError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!c.emptiedThisOpening) EmptyLocked();
  DropMade();  // text made from the old data is stale now
  for (auto it = c.entries.begin(); it != c.entries.end();) {
    if (it->first == format) {
      FreeBlock(it->second);
      it = c.entries.erase(it);
    } else {
      ++it;
    }
  }
  if (b) b->clipboardOwned = true;
  c.entries.emplace_back(format, mem);
  c.changedThisOpening = true;
  ++c.sequence;
  return mem;
}

HANDLE GetClipboardData(UINT format) {
  HWND renderOwner = nullptr;
  {
    std::lock_guard<std::mutex> g(C().lock);
    Clipboard& c = C();
    if (!OpenByMe()) {
      SetError(ERROR_CLIPBOARD_NOT_OPEN);
      return nullptr;
    }
    if (!Has(format) && !TextAvailableLocally(format)) PullExternal();
    if (Has(format)) {
      HGLOBAL h = Find(format);
      if (h) return h;
      renderOwner = c.owner;  // delayed rendering: the owner puts the data in now
    } else {
      for (auto& [f, h] : c.made)
        if (f == format) return h;
      return Synthesize(format);
    }
  }
  if (renderOwner && FromHandle(renderOwner)) SendMessage(renderOwner, WM_RENDERFORMAT, format, 0);
  std::lock_guard<std::mutex> g(C().lock);
  return Find(format);
}

BOOL IsClipboardFormatAvailable(UINT format) {
  std::lock_guard<std::mutex> g(C().lock);
  if (TextAvailableLocally(format)) return TRUE;
  if ((format == CF_TEXT || format == CF_UNICODETEXT || format == CF_OEMTEXT) && C().entries.empty() && !C().open)
    return PullExternal() ? TRUE : FALSE;
  return FALSE;
}

UINT EnumClipboardFormats(UINT format) {
  std::lock_guard<std::mutex> g(C().lock);
  Clipboard& c = C();
  if (!OpenByMe()) {
    SetError(ERROR_CLIPBOARD_NOT_OPEN);
    return 0;
  }
  std::vector<UINT> all;
  for (auto& [f, h] : c.entries) all.push_back(f);
  for (UINT t : {static_cast<UINT>(CF_UNICODETEXT), static_cast<UINT>(CF_TEXT), static_cast<UINT>(CF_OEMTEXT)})
    if (std::find(all.begin(), all.end(), t) == all.end() && TextAvailableLocally(t)) all.push_back(t);
  if (format == 0) return all.empty() ? 0 : all.front();
  auto it = std::find(all.begin(), all.end(), format);
  if (it == all.end() || it + 1 == all.end()) return 0;
  return *(it + 1);
}

int CountClipboardFormats(void) {
  std::lock_guard<std::mutex> g(C().lock);
  return static_cast<int>(C().entries.size());
}

UINT RegisterClipboardFormat(const char* name) {
  if (!name || !*name) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> g(C().lock);
  auto& names = C().names;
  std::string key = Lower(name);
  for (size_t i = 0; i < names.size(); ++i)
    if (Lower(names[i].c_str()) == key) return static_cast<UINT>(0xC000 + i);
  if (names.size() >= 0x3FFF) return 0;
  names.push_back(name);
  return static_cast<UINT>(0xC000 + names.size() - 1);
}

int GetClipboardFormatName(UINT format, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  std::lock_guard<std::mutex> g(C().lock);
  auto& names = C().names;
  if (format < 0xC000 || format - 0xC000 >= names.size()) return 0;
  const std::string& n = names[format - 0xC000];
  int len = std::min(size - 1, static_cast<int>(n.size()));
  memcpy(buffer, n.data(), static_cast<size_t>(len));
  buffer[len] = 0;
  return len;
}

HWND GetClipboardOwner(void) {
  std::lock_guard<std::mutex> g(C().lock);
  return FromHandle(C().owner) ? C().owner : nullptr;
}

HWND GetOpenClipboardWindow(void) {
  std::lock_guard<std::mutex> g(C().lock);
  return C().open ? C().openWindow : nullptr;
}

DWORD GetClipboardSequenceNumber(void) {
  std::lock_guard<std::mutex> g(C().lock);
  return C().sequence;
}

}  // extern "C"

#include "platform/forms/clipbrd.h"

#include <cstring>

#include "platform/forms/forms.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_CLASS(TClipboard, TPersistent)

TClipboard::~TClipboard() {
  if (openCount_ > 0) CloseClipboard();
}

void TClipboard::Open() {
  if (openCount_ == 0) {
    HWND owner = Application ? Application->Handle() : nullptr;
    if (!OpenClipboard(owner)) throw Exception("Cannot open clipboard");
    emptied_ = false;
  }
  ++openCount_;
}

void TClipboard::Close() {
  if (openCount_ == 0) return;
  if (--openCount_ == 0) CloseClipboard();
}

void TClipboard::Clear() {
  Open();
  EmptyClipboard();
  emptied_ = true;
  Close();
}

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != FALSE; }

std::string TClipboard::AsText() {
  std::string out;
  Open();
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    size_t units = GlobalSize(h) / sizeof(char16_t);
    if (const auto* p = static_cast<const char16_t*>(GlobalLock(h))) {
      size_t n = 0;
      while (n < units && p[n]) ++n;
      out = Utf16ToUtf8(std::u16string_view(p, n));
      GlobalUnlock(h);
    }
  }
  Close();
  return out;
}

void TClipboard::SetAsText(std::string_view text) {
  std::u16string w = Utf8ToUtf16(text);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(char16_t));
  if (!mem) throw EOutOfMemory("Out of memory");
  if (void* p = GlobalLock(mem)) {
    std::memcpy(p, w.c_str(), (w.size() + 1) * sizeof(char16_t));
    GlobalUnlock(mem);
  }
  SetAsHandle(CF_UNICODETEXT, mem);
}

void TClipboard::SetAsHandle(UINT format, HANDLE data) {
  Open();
  try {
    // The first format of an opening replaces what the clipboard held.
    if (!emptied_) {
      EmptyClipboard();
      emptied_ = true;
    }
    if (!SetClipboardData(format, data)) {
      GlobalFree(data);
      throw Exception("Cannot put data on the clipboard");
    }
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

HANDLE TClipboard::GetAsHandle(UINT format) {
  Open();
  HANDLE h = GetClipboardData(format);
  Close();
  return h;
}

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}

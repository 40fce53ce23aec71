#pragma once
// The clipboard of the class library: text in and out (the window system's Unicode text, UTF-8
// here), format queries and grouping several formats in one opening.
#include <string>
#include <string_view>

#include "platform/rtl/persistent.h"
#include "platform/os/winuser.h"

class TClipboard : public TPersistent {
  FANO_CLASS(TClipboard)
 public:
  TClipboard() = default;
  ~TClipboard() override;

  // Nested openings count; the window system's clipboard is opened by the first.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT format) const;
  // "" when the clipboard holds no text.
  std::string AsText();
  void SetAsText(std::string_view text);
  // Puts data of a format (the block becomes the clipboard's).
  void SetAsHandle(UINT format, HANDLE data);
  HANDLE GetAsHandle(UINT format);

 private:
  int openCount_ = 0;
  bool emptied_ = false;
};

// The one clipboard object of this module copy.
TClipboard* Clipboard();

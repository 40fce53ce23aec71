#pragma once
// The lines of a data-aware editor's text as a string list (the Lines property of TDBEditGx),
// read and written directly on the editor's multi-line window through its line messages. CR LF
// separates the lines of every text written.
//
//   edit->SetWantReturns(true);
//   edit->Lines()->Add("第二行");
//   std::string first = edit->Lines()->Strings(0);     // the whole line, however long
#include <string>
#include <string_view>

#include "platform/rtl/lists.h"

class TCustomDBEditGx;

class TCvMemoStrings : public TStrings {
  FANO_CLASS(TCvMemoStrings)
 public:
  explicit TCvMemoStrings(TCustomDBEditGx* editor) : editor_(editor) {}
  TCustomDBEditGx* Editor() const noexcept { return editor_; }
  void Clear() override;
  void Delete(int index) override;
  // At an existing line: before it. At or past the end: appended as a new last line.
  void Insert(int index, std::string_view s) override;

 protected:
  // The whole line (no length limit).
  std::string Get(int index) const override;
  // The empty last line after a final line break is not counted.
  int GetCount() const override;
  std::string GetTextStr() const override;
  void Put(int index, std::string_view s) override;
  // Raises EInvalidOperation "Text exceeds memo capacity" when the window refuses the text (which
  // then stays as it was).
  void SetTextStr(std::string_view text) override;
  void SetUpdateState(bool updating) override;

 private:
  TCustomDBEditGx* editor_;
};

#pragma once
// The child form the entry shows until the expense advance document form takes its place: the
// base form with what a document form adds to the host link. It opens its session ("Fano217",
// module code "BIL") on the first activation and closes it when it closes, keeps the edit state
// as the document commands do, loads a document with "display", searches, and runs the lookups
// that its own commands name (a command's Data is the view).
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/childbase.h"

class TfrmShellDocument : public TfrmChildBase {
  FANO_CLASS(TfrmShellDocument)
 public:
  explicit TfrmShellDocument(TComponent* owner);

  bool CanCloseForm() override;
  void DoNew() override;
  void DoUpdate() override;
  void DoSave() override;
  void DoSearch() override;
  void DoCancel() override;
  void InitData() override;
  void FreeData() override;
  void ActivateData() override;

  // Loads one document by its key with the host's "display" command. False (and the host told
  // why) when the host refused or the reply could not be read; nothing changes then.
  bool LoadDocument(int32_t id);
  // Runs a lookup of the view; false as for LoadDocument.
  bool Lookup(std::string_view view, const TArgArr& args);
  void chldcmndLookupExecute(TObject* sender);

  // What the last successful replies held.
  int32_t DocumentId() const noexcept { return documentId_; }
  int HeaderRows() const noexcept { return headerRows_; }
  int LineRows() const noexcept { return lineRows_; }
  int ListRows() const noexcept { return listRows_; }
  int LookupRows() const noexcept { return lookupRows_; }

 private:
  // Parses a reply; reports an unreadable or refused one to the host. True for code 0.
  bool ReadReply(std::string_view reply, std::string_view what);
  int32_t documentId_ = 0;
  int headerRows_ = 0;
  int lineRows_ = 0;
  int listRows_ = 0;
  int lookupRows_ = 0;
};

// The texts of the document form's boxes.
namespace ShellTexts {
inline constexpr const char* kCloseQuestion = "有数据未保存，您确定要退出当前窗体吗？";
inline constexpr const char* kNoNewWhileEditing = "编辑状态无法新增记录！";
inline constexpr const char* kNoSaveWhileBrowsing = "浏览状态无法保存记录！";
}  // namespace ShellTexts

#pragma once
// TfrmFano217: the expense advance document form ("费用垫付单") that the module's entry shows. The
// document list on the left is filled by the host's search; a click on a row loads that document
// (header and lines) with the host's "display" command. New, update, delete, save and cancel work
// on the data module's memory tables; save and delete are then sent to the host as one
// "singleRecordSet" request (header, its deleted-row log, and the lines nested under it), and
// only a reply of success makes them final. Header fields that refer to other records are filled
// through the host's lookup dialogs; the total of the line amounts is shown under the lines.
//
//   state 3 (created) -> first activation: session "Fano217", state 0 (browse)
//   0 --new--> 2 --save--> 0      0 --update--> 1 --save/cancel--> 0      0 --delete--> 0
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/doublesimple.h"

class TCvLabel;
class TDBComboBoxGx;
class TDBDateTimeEditGx;
class TDBEditGx;
class TFano217DM;
class TFlatCheckBox;

class TfrmFano217 : public TfrmDoubleSimple {
  FANO_CLASS(TfrmFano217)
 public:
  explicit TfrmFano217(TComponent* owner);

  // ---- components of the resource (header editors on pnlMain; the total on pnl1)
  TDBEditGx* DBEditGx1 = nullptr;    // 单别 code, lookup
  TDBEditGx* DBEditGx2 = nullptr;    //   name
  TDBEditGx* DBEditGx16 = nullptr;   // 垫付单号
  TDBEditGx* DBEditGx4 = nullptr;    // 商户 code, lookup
  TDBEditGx* DBEditGx11 = nullptr;   //   name
  TDBEditGx* DBEditGx6 = nullptr;    // 合同号, lookup
  TDBEditGx* DBEditGx9 = nullptr;    // 摊位 code, lookup
  TDBEditGx* DBEditGx17 = nullptr;   //   name
  TDBComboBoxGx* DBComboBoxGx1 = nullptr;  // 垫付类型
  TFlatCheckBox* DBCheckBoxGx1 = nullptr;  // 是否催收, mirrors BILDA013
  TDBDateTimeEditGx* DBDateTimeEditGx1 = nullptr;  // 垫付日期
  TDBEditGx* DBEditGx10 = nullptr;   // 营运组织 code, lookup
  TDBEditGx* DBEditGx14 = nullptr;   //   name
  TDBEditGx* DBEditGx18 = nullptr;   // 业务部门 code, lookup
  TDBEditGx* DBEditGx19 = nullptr;   //   name
  TDBEditGx* DBEditGx5 = nullptr;    // 业务人员 code, lookup
  TDBEditGx* DBEditGx8 = nullptr;    //   name
  TDBEditGx* DBEditGx21 = nullptr;   // 备注
  TDBComboBoxGx* DBComboBoxGx2 = nullptr;  // 审核状态
  TDBEditGx* DBEditGx3 = nullptr;    // 录入人 code
  TDBEditGx* DBEditGx12 = nullptr;   //   name
  TDBDateTimeEditGx* DBDateTimeEditGx4 = nullptr;  // 录入日期
  TDBEditGx* DBEditGx13 = nullptr;   // 审核人 code
  TDBEditGx* DBEditGx15 = nullptr;   //   name
  TDBDateTimeEditGx* DBDateTimeEditGx5 = nullptr;  // 审核日期
  TFlatPanel* pnl1 = nullptr;        // the total under the page control
  TDBEditGx* DBEditGx20 = nullptr;   // 合计：垫付金额

  // The data module made by InitData (null before and after the form's data lives).
  TFano217DM* Dm() const noexcept { return dm_; }
  // A new header is open that the list does not show yet (survives a switch to editing).
  bool NewNotListed() const noexcept { return newNotListed_; }

  // ---- operations
  bool CanCloseForm() override;
  void DoNew() override;
  void DoUpdate() override;
  void DoDelete() override;
  void DoSave() override;
  void DoSearch() override;
  void DoCancel() override;
  void InitData() override;
  void FreeData() override;
  void ActivateData() override;
  void SetupGridTable(TDBGridGx*& Grid, TMemTableGx*& Table, TMemTableGx*& Delta, TCvTbField*& TbField) override;
  void ApplyColors() override;

  // Loads the document of the list's current row from the host.
  void LoadDocument();
  // Makes the status, entry, audit and total editors read-only (or not).
  void SetFixedEditorsReadOnly(bool ReadOnly);
  // The sum of the lines' amounts into the total editor.
  void UpdateTotalAmount();
  // The list's shown columns as wide as their titles and texts.
  void FitListColumns();

  // ---- handlers bound in the resource
  void grdAllViewCellClick(TColumnGx* Column);
  void grdMainColExit(TObject* Sender);
  void DBEditGx1EditButtons0Click(TObject* Sender, bool& Handled);
  void DBEditGx4EditButtons0Click(TObject* Sender, bool& Handled);
  void DBEditGx6EditButtons0Click(TObject* Sender, bool& Handled);
  void DBEditGx9EditButtons0Click(TObject* Sender, bool& Handled);
  void DBEditGx10EditButtons0Click(TObject* Sender, bool& Handled);
  void DBEditGx18EditButtons0Click(TObject* Sender, bool& Handled);
  void DBEditGx5EditButtons0Click(TObject* Sender, bool& Handled);

 private:
  struct LookupCopy {
    const char* from;
    const char* to;
    bool asInteger;
  };
  // Runs one lookup and copies the chosen record into the header.
  void RunLookup(std::string_view View, const TArgArr& Args, const LookupCopy* Copies, int Count);
  // Reads a reply; false (the host told why) when it is unreadable or its code is not 0.
  bool ReadReply(std::string_view Reply, std::string_view What);
  // What the host did with the changes sent.
  enum class TSaveResult {
    Refused,  // nothing stored; the host was told why
    Stored,   // stored, and every new row has the key the host gave it
    Unkeyed,  // stored, but the reply gave some new rows no key
  };
  // The header, its deleted-row log and the lines sent with "singleRecordSet"; the keys the reply
  // gives are applied.
  TSaveResult SendChanges();
  // After a save whose reply left new rows without their keys: nothing of the document stays new
  // (the host holds it); the clerk is told it was saved and it is loaded again from the host.
  void ReloadSavedDocument();
  // The document list from the host's search; false when the host gave none.
  bool RefreshList();
  // Notice box with the form's caption.
  static int32_t Notice(std::string_view Text, int32_t Flags);
  // Adds the header's row to the list (a new document) or refreshes the list's row of that document.
  void CopyHeaderToList(bool Append);
  // Moves the list to the row of that document id; false when the list holds none.
  bool FindListRow(int32_t Id);
  // Every pending row of the form's tables becomes a stored row.
  void MergeTables();
  // The collection check box follows BILDA013.
  void ShowCollectionFlag();

  TFano217DM* dm_ = nullptr;
  bool newNotListed_ = false;
};

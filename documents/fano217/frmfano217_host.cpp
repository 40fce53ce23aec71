// The expense advance form's exchanges with the host beyond the load: the save and delete request,
// the seven lookups; and the line total and the fixed editors.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "documents/fano217/dmfano217.h"
#include "documents/fano217/frmfano217.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "memtable/mtdata.h"
#include "memtable/recordsview.h"
#include "platform/db/fields.h"
#include "platform/rtl/sysutils.h"
#include "protocol/cvprotocol.h"
#include "shell/calldialog.h"

namespace {

constexpr const char* kNoLookupWhileBrowsing = "浏览状态无法查询！";

bool HostEditing(const TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }

// Whether the reply holds a new key for every inserted row of the table (the host never gives 0).
bool EveryNewRowHasItsId(const TCvProtocol* p, TMemTableGx* table) {
  if (!table->Active() || table->IsEmpty()) return true;
  bool all = true;
  TBookmark current = table->GetBookmark();
  table->DisableControls();
  for (table->First(); all && !table->Eof(); table->Next())
    all = table->UpdateStatus() != usInserted || p->FindNewId(table->CvTableName(), table->RecNo()) != 0;
  if (table->BookmarkValid(current)) table->GotoBookmark(current);
  table->EnableControls();
  return all;
}

// Adds floating-point amounts with the rounding error of each step carried along (Neumaier): the
// sum is as exact as the doubles allow, so the shortest text shows no noise of binary fractions
// however many lines there are, and no size of amount overflows a fixed-point sum.
class AmountSum {
 public:
  void Add(double amount) {
    const double next = sum_ + amount;
    if (std::isfinite(next))
      carry_ += std::fabs(sum_) >= std::fabs(amount) ? (sum_ - next) + amount : (amount - next) + sum_;
    sum_ = next;
  }
  double Value() const { return std::isfinite(sum_) ? sum_ + carry_ : sum_; }

 private:
  double sum_ = 0;
  double carry_ = 0;
};

}  // namespace

// ---- save and delete ------------------------------------------------------------------------------

TfrmFano217::TSaveResult TfrmFano217::SendChanges() {
  TMemTableGx* header = dm_->mtblMain;
  TMemTableGx* lines = dm_->mtblSub;
  // The lines are walked here, taken for the request and walked again for their keys: the line
  // the clerk was on is made current again after each, whatever the host answers.
  const TBookmark shownLine = lines->Active() ? lines->GetBookmark() : TBookmark();
  auto backToShownLine = [&] {
    if (lines->BookmarkValid(shownLine)) lines->GotoBookmark(shownLine);
  };
  // Lines added to a stored document name it themselves: a request filtered by the header's key
  // must not leave them out.
  if (!header->IsEmpty()) {
    TField* key = header->FieldByName("BILDA_ID");
    if (!key->IsNull() && !lines->IsEmpty()) {
      lines->DisableControls();
      for (lines->First(); !lines->Eof(); lines->Next()) {
        TField* fk = lines->FieldByName("BILDB001");
        if (fk->IsNull() || fk->AsInteger() != key->AsInteger()) {
          lines->Edit();
          fk->SetAsInteger(key->AsInteger());
          lines->Post();
        }
      }
      backToShownLine();
      lines->EnableControls();
    }
  }
  TCvProtocol* p = Protocol();
  p->Clear();
  p->SetDeleteMode(1);
  p->SetCopyMode(2);
  TCvTable* table = p->GetTable(p->AddTable());
  table->SetData(header);
  table->SetDelta(dm_->mtblMainDelta);
  table->AddChild(lines, dm_->mtblSubDelta);
  backToShownLine();
  std::string request = p->BuildRequest();
  std::string reply;
  ExecHostCommand(SessionId(), "singleRecordSet", request, reply);
  if (!ReadReply(reply, "singleRecordSet")) return TSaveResult::Refused;
  // The host has stored the rows whether or not the reply names their keys.
  const bool keyed = EveryNewRowHasItsId(p, header) && EveryNewRowHasItsId(p, lines);
  p->ApplyNewIds(header);
  p->ApplyNewIds(lines);
  // The lines of a new header take its new key as well.
  if (!header->IsEmpty() && !lines->IsEmpty() && !header->FieldByName("BILDA_ID")->IsNull()) {
    const int32_t id = header->FieldByName("BILDA_ID")->AsInteger();
    lines->DisableControls();
    for (lines->First(); !lines->Eof(); lines->Next()) {
      if (lines->FieldByName("BILDB001")->AsInteger() != id) {
        lines->Edit();
        lines->FieldByName("BILDB001")->SetAsInteger(id);
        lines->Post();
      }
    }
    lines->EnableControls();
  }
  backToShownLine();
  return keyed ? TSaveResult::Stored : TSaveResult::Unkeyed;
}

// ---- lookups --------------------------------------------------------------------------------------

void TfrmFano217::RunLookup(std::string_view View, const TArgArr& Args, const LookupCopy* Copies, int Count) {
  if (DataFreed() || !dm_) return;
  // Browsing refuses; a new document and the editing of a stored one (whose editors are unlocked)
  // take lookups.
  if (EditState() == esBrowse) {
    Notice(kNoLookupWhileBrowsing, HOST_BOX_NOTICE);
    return;
  }
  std::string reply;
  HostLookup(View, 0, 1, 0, Args, reply);
  if (reply.empty()) return;
  if (!ReadReply(reply, "lookup")) return;
  TCvProtocol* p = Protocol();
  if (p->GetTableCount() == 0) return;
  TMemTableGx* chosen = p->GetTable(0)->Data();
  if (!chosen->Active() || chosen->IsEmpty()) return;
  TMemTableGx* header = dm_->mtblMain;
  // Every value is read before the first is written: one the header cannot take (an id past the
  // integer range, a text that is no number, a column the view lacks) raises with the header as it
  // was, not holding the code of the record chosen with the id of the one before.
  std::vector<std::pair<TField*, Variant>> values;
  values.reserve(static_cast<size_t>(Count));
  for (int i = 0; i < Count; ++i) {
    const TField* from = chosen->FieldByName(Copies[i].from);
    // An id copies as a number, an empty one as 0 (an organisation without a company gives
    // company 0), whatever type the view gives the column.
    Variant value = Copies[i].asInteger ? Variant(from->IsNull() ? 0 : from->AsInteger())
                    : from->IsNull()    ? Null()
                                        : Variant(from->AsString());
    values.emplace_back(header->FieldByName(Copies[i].to), std::move(value));
  }
  if (!HostEditing(header)) header->Edit();
  for (int i = 0; i < Count; ++i) {
    const auto& [to, value] = values[static_cast<size_t>(i)];
    if (value.IsNull())
      to->Clear();
    else if (Copies[i].asInteger)
      to->SetAsInteger(value.AsInteger());
    else
      to->SetAsString(value.AsString());
  }
}

void TfrmFano217::DBEditGx1EditButtons0Click(TObject*, bool&) {
  static const LookupCopy copies[] = {
      {"PUBFA001", "BILDA001C1", false}, {"PUBFA002", "BILDA001C2", false}, {"PUBFA_ID", "BILDA001", true}};
  RunLookup("vh_pubfa", TArgArr(), copies, 3);
}

void TfrmFano217::DBEditGx4EditButtons0Click(TObject*, bool&) {
  static const LookupCopy copies[] = {
      {"PUBGO001", "BILDA006C1", false}, {"PUBGO003", "BILDA006C2", false}, {"PUBGO_ID", "BILDA006", true}};
  RunLookup("vh_pubgo", TArgArr(), copies, 3);
}

void TfrmFano217::DBEditGx6EditButtons0Click(TObject*, bool&) {
  static const LookupCopy copies[] = {{"CONBE003", "BILDA008C1", false}, {"CONBE_ID", "BILDA008", true}};
  RunLookup("vh_conbe", TArgArr(), copies, 2);
}

void TfrmFano217::DBEditGx9EditButtons0Click(TObject*, bool&) {
  static const LookupCopy copies[] = {
      {"PUBIG_ID", "BILDA007", true}, {"PUBIG003", "BILDA007C1", false}, {"PUBIG004", "BILDA007C2", false}};
  // Only the stalls of the merchant chosen ("0" while there is none).
  TArgArr args(1);
  args[0].SetName("arg");
  args[0].ArgKind = 0;
  args[0].ArgFlag = true;
  TMemTableGx* header = dm_ ? dm_->mtblMain : nullptr;
  TField* merchant = header && header->Active() ? header->FindField("BILDA006") : nullptr;
  const bool hasRow = header && (HostEditing(header) || !header->IsEmpty());
  args[0].SetValue(IntToStr(merchant && hasRow ? merchant->AsInteger() : 0));
  RunLookup("vh_pubig_t1", args, copies, 3);
}

void TfrmFano217::DBEditGx10EditButtons0Click(TObject*, bool&) {
  static const LookupCopy copies[] = {{"PUBCB001", "BILDA005C1", false},
                                      {"PUBCB002", "BILDA005C2", false},
                                      {"PUBCB_ID", "BILDA005", true},
                                      {"PUBCB005", "BILDA004", true}};
  RunLookup("vh_pubcb", TArgArr(), copies, 4);
}

void TfrmFano217::DBEditGx18EditButtons0Click(TObject*, bool&) {
  static const LookupCopy copies[] = {
      {"PUBCC001", "BILDA009C1", false}, {"PUBCC002", "BILDA009C2", false}, {"PUBCC_ID", "BILDA009", true}};
  RunLookup("vh_pubcc", TArgArr(), copies, 3);
}

void TfrmFano217::DBEditGx5EditButtons0Click(TObject*, bool&) {
  static const LookupCopy copies[] = {
      {"PUBCD002", "BILDA010C1", false}, {"PUBCD003", "BILDA010C2", false}, {"PUBCD_ID", "BILDA010", true}};
  RunLookup("vh_pubcd", TArgArr(), copies, 3);
}

// ---- total and fixed editors ----------------------------------------------------------------------

void TfrmFano217::UpdateTotalAmount() {
  if (!dm_ || !DBEditGx20) return;
  TMemTableGx* lines = dm_->mtblSub;
  AmountSum sum;
  if (lines->Active() && lines->State() == dsInsert && !lines->Modified()) {
    // A line just appended and not yet typed in adds nothing, and posting it (or moving off it)
    // would store it blank or drop it: the stored lines are read where they lie.
    TRecordsViewGx* view = lines->RecordsView();
    const int col = view->Store()->DataStruct()->FieldIndex("BILDB006");
    for (int i = 0, n = view->ViewItemsCount(); col >= 0 && i < n; ++i) {
      const Variant& amount = view->GetViewRecord(i)->Value(col);
      if (!amount.IsNull() && !amount.IsEmpty()) sum.Add(amount.AsDouble());
    }
  } else if (lines->Active()) {
    if (HostEditing(lines)) lines->Post();
    TBookmark current = lines->GetBookmark();
    lines->DisableControls();
    for (lines->First(); !lines->Eof(); lines->Next()) {
      TField* amount = lines->FieldByName("BILDB006");
      if (!amount->IsNull()) sum.Add(amount->AsFloat());
    }
    if (lines->BookmarkValid(current)) lines->GotoBookmark(current);
    lines->EnableControls();
  }
  DBEditGx20->SetText(FloatToStr(sum.Value()));
}

void TfrmFano217::grdMainColExit(TObject*) { UpdateTotalAmount(); }

void TfrmFano217::SetFixedEditorsReadOnly(bool ReadOnly) {
  DBComboBoxGx2->SetReadOnly(ReadOnly);
  DBEditGx3->SetReadOnly(ReadOnly);
  DBEditGx13->SetReadOnly(ReadOnly);
  DBDateTimeEditGx4->SetReadOnly(ReadOnly);
  DBDateTimeEditGx5->SetReadOnly(ReadOnly);
  DBEditGx20->SetReadOnly(ReadOnly);
}

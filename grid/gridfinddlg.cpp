// The grid's find dialog.
#include "grid/gridfinddlg.h"

#include "editors/dbcheckbox.h"
#include "editors/dbcombobox.h"
#include "editors/tools/memtableintf.h"
#include "grid/dbgrid.h"
#include "grid/gridsearch.h"
#include "platform/forms/cmessages.h"
#include "platform/forms/stdctrls.h"
#include "platform/os/winuser.h"

FANO_IMPLEMENT_CLASS_OWNED(TDBGridGxFindDlg, TForm, TComponent)

namespace {

TDBGridGxFindDlg* g_dialog = nullptr;

TLabel* AddLabel(TForm* form, int left, int top, const char* caption) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetLeft(left);
  label->SetTop(top);
  label->SetCaption(caption);
  return label;
}

}  // namespace

TDBComboBoxGx* TDBGridGxFindDlg::AddCombo(int left, int top, int width, int tabOrder, const std::string& items) {
  auto* combo = new TDBComboBoxGx(this);
  combo->SetParent(this);
  combo->SetBounds(left, top, width, combo->Height());
  combo->SetTabOrder(tabOrder);
  combo->DropDownBox()->SetRows(17);
  combo->DropDownBox()->SetSizable(true);
  if (!items.empty()) {
    combo->Items()->SetText(items);
    combo->KeyItems()->SetText(items);
  }
  return combo;
}

TDBGridGxFindDlg::TDBGridGxFindDlg(TComponent* owner) : TForm(owner) {
  SetCaption("Find text");
  SetBorderStyle(bsDialog);
  SetClientWidth(505);
  SetClientHeight(150);
  SetKeyPreview(true);
  SetPosition(poScreenCenter);
  Font()->SetHeight(-10);
  AddLabel(this, 10, 12, "Fi&nd What:");
  cbText = AddCombo(88, 9, 316, 0, "");
  AddLabel(this, 10, 35, "Find &in:");
  cbFindIn = AddCombo(88, 32, 192, 1, "");
  AddLabel(this, 10, 58, "Matc&h:");
  cbMatchinType = AddCombo(88, 55, 144, 2, "From any part of field\nWhole field\nFrom beging of field");
  cbMatchinType->SetItemIndex(0);
  AddLabel(this, 10, 82, "Sea&rch:");
  cbFindDirection = AddCombo(88, 79, 144, 3, "Up\nDown\nAll");
  cbFindDirection->SetItemIndex(2);
  cbCharCase = new TDBCheckBoxGx(this);
  cbCharCase->SetParent(this);
  cbCharCase->SetBounds(88, 105, 144, cbCharCase->Height());
  cbCharCase->SetCaption("Match &Case");
  cbCharCase->SetTabOrder(4);
  cbUseFormat = new TDBCheckBoxGx(this);
  cbUseFormat->SetParent(this);
  cbUseFormat->SetBounds(260, 105, 144, cbUseFormat->Height());
  cbUseFormat->SetCaption("Match F&ormat");
  cbUseFormat->SetChecked(true);
  cbUseFormat->SetTabOrder(5);
  bFind = new TButton(this);
  bFind->SetParent(this);
  bFind->SetBounds(413, 9, 82, bFind->Height());
  bFind->SetCaption("&Find next");
  bFind->SetTabOrder(6);
  bFind->OnClick = [this](TObject*) { FindNext(GetKeyState(VK_CONTROL) < 0); };
  bCancel = new TButton(this);
  bCancel->SetParent(this);
  bCancel->SetBounds(413, 37, 82, bCancel->Height());
  bCancel->SetCaption("Close");
  bCancel->SetCancel(true);
  bCancel->SetModalResult(2);
  bCancel->SetTabOrder(7);
  bCancel->OnClick = [this](TObject*) { Close(); };
  Label4 = AddLabel(this, 10, 128, "Find in Tree:");
  dbcTreeFindRange =
      AddCombo(88, 124, 145, 8, "In all nodes\nIn expanded nodes\nIn current level\nIn current node");
  dbcTreeFindRange->SetItemIndex(0);
  fullHeight_ = Height();
  auto changed = [this](TObject*) { newSearch_ = true; };
  cbText->OnChange = changed;
  cbFindDirection->OnChange = changed;
  dbcTreeFindRange->OnChange = changed;
  cbFindIn->OnChange = [this](TObject*) {
    if (!filling_) FindInChanged();
  };
  OnKeyDown = [this](TObject*, uint16_t& key, TShiftState shift) { FormKeyDown(key, shift); };
}

void TDBGridGxFindDlg::FormKeyDown(uint16_t& key, TShiftState) {
  if (key != VK_RETURN && key != VK_ESCAPE) return;
  // An open drop-down list, or an editor with a pending change, takes the key itself.
  if (TWinControl* focused = ActiveControl(); focused && focused->Perform(CM_WANTSPECIALKEY, key, 0) != 0) return;
  if (key == VK_ESCAPE) {
    if (!FormState().Contains(fsModal)) {
      Close();
      key = 0;
    }
  } else {
    FindNext(GetKeyState(VK_CONTROL) < 0);
    key = 0;
  }
  cbText->SetModified(false);
}

void TDBGridGxFindDlg::FindInChanged() {
  if (cbFindIn->ItemIndex() < 0) cbFindIn->SetItemIndex(cbFindIn->Items()->Count() - 1);
  newSearch_ = true;
}

void TDBGridGxFindDlg::Prepare(TCustomDBGridGx* grid, const std::string& text, bool modal,
                               const TColumnChoices& columns) {
  TDataSet* ds = grid && grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
  const bool tree = ds && ds->Active() && grid->MemTable() && grid->MemTable()->IsTreeView();
  Label4->SetVisible(tree);
  dbcTreeFindRange->SetVisible(tree);
  if (tree) SetHeight(fullHeight_);
  else SetClientHeight(dbcTreeFindRange->Top());
  cbText->SetText(text);
  SetGrid(grid);

  filling_ = true;
  findInColumns_.clear();
  std::string items;
  auto add = [&](const std::string& caption, TColumnGx* column) {
    items += caption + "\n";
    findInColumns_.push_back(column ? column->ID() : -1);
  };
  if (!columns.empty()) {
    for (const auto& [caption, column] : columns) add(caption, column);
  } else if (grid) {
    for (TColumnGx* c : grid->VisibleColumns()) add(c->Title()->Caption(), c);
  }
  add("<All>", nullptr);
  cbFindIn->Items()->SetText(items);
  cbFindIn->KeyItems()->SetText(items);
  TColumnGx* current = grid ? grid->SelectedColumn() : nullptr;
  const int index = current ? cbFindIn->Items()->IndexOf(current->Title()->Caption()) : -1;
  cbFindIn->SetItemIndex(index);
  filling_ = false;

  newSearch_ = true;
  if (Visible()) Close();
  SetActiveControl(cbText);
  FindInChanged();
  if (modal) {
    SetFormStyle(fsNormal);
    ShowModal();
  } else {
    SetFormStyle(fsStayOnTop);
    Show();
  }
}

// The dialog outlives the grids it serves: it hears when its grid goes.
void TDBGridGxFindDlg::SetGrid(TCustomDBGridGx* grid) {
  if (grid != grid_) {
    if (grid_) grid_->RemoveFreeNotification(this);
    grid_ = grid;
    if (grid_) grid_->FreeNotification(this);
  }
  bFind->SetEnabled(grid_ != nullptr);
}

void TDBGridGxFindDlg::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  if (operation != opRemove || !grid_ || component != grid_) return;
  grid_ = nullptr;
  // Its columns went with it.
  findInColumns_.clear();
  if (bFind) bFind->SetEnabled(false);
}

bool TDBGridGxFindDlg::FindNext(bool reverse) {
  if (!grid_) return false;
  const std::string text = cbText->Text();
  if (cbText->Items()->IndexOf(text) < 0) cbText->Items()->Add(text);
  TDataSet* ds = grid_ && grid_->DataSource() ? grid_->DataSource()->DataSet() : nullptr;
  if (!ds || !ds->Active()) return false;
  int options = cbCharCase->Checked() ? 0 : lgtIgnoreCase;
  const int findIn = cbFindIn->ItemIndex();
  const bool all = findIn == cbFindIn->Items()->Count() - 1;
  if (all) options |= lgtAllColumns;
  if (cbUseFormat->Checked()) options |= lgtDisplayText;
  int direction = std::max(0, cbFindDirection->ItemIndex());
  if (reverse) direction = direction == lgdUp ? lgdDown : lgdUp;
  if (!newSearch_ && direction == lgdAll) direction = lgdDown;
  const int mt = cbMatchinType->ItemIndex();
  const int match = mt >= 0 && mt <= 2 ? mt : 0;
  std::string fieldName;
  if (!all && findIn >= 0 && static_cast<size_t>(findIn) < findInColumns_.size() &&
      findInColumns_[static_cast<size_t>(findIn)] >= 0) {
    auto* column = dynamic_cast<TColumnGx*>(grid_->Columns()->FindItemID(findInColumns_[static_cast<size_t>(findIn)]));
    if (!column) return false;
    fieldName = column->FieldName();
  }
  const int tr = dbcTreeFindRange->ItemIndex();
  const int treeScope = tr >= 0 && tr <= 3 ? tr : 0;
  TDBGridGxCenter* center = grid_->Center();
  const bool found = center ? center->LocateText(grid_, fieldName, text, options, direction, match, treeScope)
                            : LocateGridText(grid_, fieldName, text, options, direction, match, treeScope);
  if (found) newSearch_ = false;
  return found;
}

TDBGridGxFindDlg* GridFindDialog() { return g_dialog; }

void ShowFindDialog(TCustomDBGridGx* grid, const std::string& text, const std::string& text2, bool modal,
                    const TDBGridGxFindDlg::TColumnChoices& columns) {
  (void)text2;  // a second text callers may pass; the dialog has no use for it
  if (!g_dialog) g_dialog = new TDBGridGxFindDlg(Application);
  g_dialog->Prepare(grid, text, modal, columns);
}

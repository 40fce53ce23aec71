// The behaviour centre's indicator-title menu, its clicks and its find-dialog call.
#include <array>

#include "grid/datasetfeatures.h"
#include "grid/dbgrid.h"
#include "grid/gridexport.h"
#include "grid/gridfinddlg.h"
#include "grid/gridimport.h"
#include "platform/forms/forms.h"

FANO_IMPLEMENT_CLASS_OWNED(TColumnGxMenuItem, TMenuItem, TComponent)
FANO_IMPLEMENT_CLASS_OWNED(TDBGridGxMenuItem, TMenuItem, TComponent)

namespace {

constexpr const char* kGlobalItemCaptions[6] = {"Visible columns", "Cut", "Copy", "Paste", "Delete", "Select All"};

}  // namespace

// The shared menu and its six shared items, nominally the application's: this keeper is told when
// the application frees them first, and frees what is left when the centre goes.
class TDBGridGxCenter::TMenuParts : public TComponent {
 public:
  TMenuParts() : TComponent(nullptr) {}
  ~TMenuParts() override {
    if (menu) {
      TMenuItem* root = menu->Items();
      for (TDBGridGxMenuItem* item : items)
        if (item && item->Parent() == root) root->Remove(item);
    }
    for (TDBGridGxMenuItem*& item : items) {
      TDBGridGxMenuItem* p = item;
      item = nullptr;
      if (p) p->Free();
    }
    TPopupMenu* m = menu;
    menu = nullptr;
    if (m) m->Free();
  }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == menu) menu = nullptr;
    for (TDBGridGxMenuItem*& item : items)
      if (component == item) item = nullptr;
  }
  TDBGridGxMenuItem* Item(int index) {
    TDBGridGxMenuItem*& item = items[static_cast<size_t>(index)];
    if (!item) {
      item = new TDBGridGxMenuItem(Application);
      item->FreeNotification(this);
    }
    return item;
  }

  TPopupMenu* menu = nullptr;
  std::array<TDBGridGxMenuItem*, 6> items{};
};

TDBGridGxCenter::TDBGridGxCenter() = default;

// No grid keeps a centre that is gone.
TDBGridGxCenter::~TDBGridGxCenter() {
  while (!grids_.empty()) {
    TCustomDBGridGx* grid = grids_.back();
    grids_.pop_back();
    grid->SetCenter(nullptr);
  }
  ForgetGridCenter(this);
}

TPopupMenu* TDBGridGxCenter::IndicatorTitlePopupMenu() const { return menuParts_ ? menuParts_->menu : nullptr; }

void TDBGridGxCenter::ShowFindDialog(TCustomDBGridGx* grid, const std::string& text, const std::string& fieldName,
                                     bool modal) {
  TDataSet* ds = grid ? grid->DataSet() : nullptr;
  if (TDatasetFeaturesGx* features = ds ? GetDatasetFeatures(ds) : nullptr) {
    features->ShowFindDialog(grid, text, fieldName, modal);
    return;
  }
  ::ShowFindDialog(grid, text, "", modal);
}

void TDBGridGxCenter::BuildIndicatorTitleMenu(TCustomDBGridGx* grid, TPopupMenu*& menu) {
  if (OnBuildIndicatorTitleMenu) OnBuildIndicatorTitleMenu(this, grid, menu);
  else DefaultBuildIndicatorTitleMenu(grid, menu);
}

void TDBGridGxCenter::DefaultBuildIndicatorTitleMenu(TCustomDBGridGx* grid, TPopupMenu*& menu) {
  if (!menuParts_) menuParts_ = std::make_unique<TMenuParts>();
  TMenuParts& parts = *menuParts_;
  if (!parts.menu) {
    parts.menu = new TPopupMenu(Application);
    parts.menu->SetName("DBGridGxIndicatorTitlePopupMenu");
    parts.menu->FreeNotification(&parts);
  }
  TPopupMenu* popup = parts.menu;
  TMenuItem* root = popup->Items();
  // Items built per call belong to the menu and go; the shared ones stay for the next call.
  while (root->Count() > 0) {
    TMenuItem* item = root->Items(root->Count() - 1);
    root->Delete(root->Count() - 1);
    if (item->Owner() == popup) item->Free();
  }
  menu = popup;
  if (!grid) return;

  if (grid->IndicatorTitle()->UseGlobalMenu()) {
    const int offered = indicatorTitleMenuItems_;
    if (offered & 1) {
      TDBGridGxMenuItem* visible = parts.Item(0);
      visible->SetCaption(kGlobalItemCaptions[0]);
      visible->Clear();
      visible->Grid = grid;
      visible->Action = 0;
      for (int i = 0; i < grid->Columns()->Count(); ++i) {
        TColumnGx* column = grid->Columns()->Items(i);
        if (column->Title()->Caption().empty()) continue;
        auto* item = new TColumnGxMenuItem(popup);
        item->Column = column;
        item->SetCaption(column->Title()->Caption());
        item->SetChecked(column->Visible());
        item->OnClick = [this](TObject* sender) { ColumnMenuItemClick(sender); };
        visible->Add(item);
      }
      root->Add(visible);
    }
    const TDBGridGxEditActions actions = grid->EditActions();
    const bool enabled[5] = {grid->CanCut() && actions.Contains(geaCutGx), grid->CanCopy() && actions.Contains(geaCopyGx),
                             grid->CanPaste() && actions.Contains(geaPasteGx),
                             grid->CanClearSelection() && actions.Contains(geaDeleteGx),
                             grid->CanSelectAll() && actions.Contains(geaSelectAllGx)};
    for (int i = 1; i <= 5; ++i) {
      if (!(offered & (1 << i))) continue;
      TDBGridGxMenuItem* item = parts.Item(i);
      item->SetCaption(kGlobalItemCaptions[i]);
      item->Grid = grid;
      item->Action = static_cast<uint8_t>(i);
      item->SetEnabled(enabled[i - 1]);
      item->OnClick = [this](TObject* sender) { GridMenuItemClick(sender); };
      root->Add(item);
    }
  }

  if (TPopupMenu* own = grid->IndicatorTitle()->DropdownMenu()) {
    if (root->Count() > 0) {
      auto* line = new TMenuItem(popup);
      line->SetCaption("-");
      root->Add(line);
    }
    // Top-level items only; their sub-items are not copied.
    for (int i = 0; i < own->Items()->Count(); ++i) {
      TMenuItem* source = own->Items()->Items(i);
      auto* copy = new TMenuItem(popup);
      copy->SetAction(source->Action());
      copy->SetHelpContext(source->HelpContext());
      copy->SetAutoHotkeys(source->AutoHotkeys());
      copy->SetAutoLineReduction(source->AutoLineReduction());
      if (source->HasBitmap()) copy->SetBitmap(source->Bitmap());
      copy->SetBreak(source->Break());
      copy->SetCaption(source->Caption());
      copy->SetChecked(source->Checked());
      copy->SetSubMenuImages(source->SubMenuImages());
      copy->SetDefault(source->Default());
      copy->SetEnabled(source->Enabled());
      copy->SetGroupIndex(source->GroupIndex());
      copy->SetHint(source->Hint());
      copy->SetImageIndex(source->ImageIndex());
      copy->SetRadioItem(source->RadioItem());
      copy->SetShortCut(source->ShortCut());
      copy->SetVisible(source->Visible());
      copy->OnClick = source->OnClick;
      root->Add(copy);
    }
  }
}

void TDBGridGxCenter::CellMouseClick(TCustomDBGridGx* grid, TGridCoord cell, TMouseButton button, TShiftState shift,
                                     int x, int y) {
  if (OnCellMouseClick) OnCellMouseClick(this, grid, cell, button, shift, x, y);
  else DefaultCellMouseClick(grid, cell, button, shift, x, y);
}

void TDBGridGxCenter::DefaultCellMouseClick(TCustomDBGridGx*, TGridCoord, TMouseButton, TShiftState, int, int) {}

void TDBGridGxCenter::IndicatorTitleMouseDown(TCustomDBGridGx* grid, TGridCoord cell, TMouseButton button,
                                              TShiftState shift, int x, int y) {
  if (OnIndicatorTitleMouseDown) OnIndicatorTitleMouseDown(this, grid, cell, button, shift, x, y);
  else DefaultIndicatorTitleMouseDown(grid, cell, button, shift, x, y);
}

void TDBGridGxCenter::DefaultIndicatorTitleMouseDown(TCustomDBGridGx* grid, TGridCoord, TMouseButton, TShiftState,
                                                     int, int) {
  if (grid) grid->IndicatorTitleMouseDown();
}

void TDBGridGxCenter::ColumnMenuItemClick(TObject* sender) {
  if (auto* item = dynamic_cast<TColumnGxMenuItem*>(sender); item && item->Column)
    item->Column->SetVisible(!item->Column->Visible());
}

void TDBGridGxCenter::GridMenuItemClick(TObject* sender) {
  auto* item = dynamic_cast<TDBGridGxMenuItem*>(sender);
  if (!item || !item->Grid) return;
  TCustomDBGridGx* grid = item->Grid;
  switch (item->Action) {
    case 1: CutToClipboard(grid, false); break;
    case 2: CopyToClipboard(grid, false); break;
    case 3: PasteFromClipboard(grid, false); break;
    case 4: ClearSelection(grid, false); break;
    case 5: grid->Selection()->SelectAll(); break;
    default: break;
  }
}
